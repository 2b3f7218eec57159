#include "recording/RecordRunSetup.h"

#include <cstdio>

#include "base/DisplayText.h"
#include "base/ProcessFlags.h"
#include "disc/CdTextBuilder.h"
#include "disc/DiscImage.h"
#include "drivers/CdrDriver.h"
#include "drivers/MmcTrackDriver.h"
#include "recording/RecordSession.h"
#include "songlist/SongListFiles.h"
#include "ui/LanguageTable.h"
#include "ui/TextFormat.h"

std::string DefaultAlbumTitle(int32_t trackCount) {
    if (trackCount % 2 == 0)
        return "Powered by Tunevarn!";
    return std::string("Go to ") + kHomePage + " !";
}

std::string TotalsLine(const CDiscImage& disc) {
    return FormatText(301, {disc.trackCount, disc.totalSeconds / 60, disc.totalSeconds % 60});
}

void PrepareCdText(CCdTextBuilder& builder, CCdrDriver& driver, int32_t useCdText,
                   const std::string& albumTitle) {
    if (useCdText == 0) {
        ProcessFlags().cdTextInUse = 0;
        return;
    }
    const CDiscImage& disc = driver.discImage;
    builder.Clear();
    builder.AddText(albumTitle, 0);
    for (int32_t i = 0; i < disc.trackCount && i < CDiscImage::kMaxTracks; ++i)
        builder.AddText(disc.trackTitle[static_cast<size_t>(i)].data(), i + 1);
    builder.BuildPacks();
    driver.SetCdTextSource(&builder);
    // Announcing CD-TEXT with no packs to send would leave the lead-in unwritable.
    ProcessFlags().cdTextInUse = builder.blockCount > 0 ? 1 : 0;
}

bool PhaseText(int32_t phase, int32_t currentTrack, int32_t progress, int32_t trackCount,
               std::string& text) {
    switch (phase) {
        case CRecordSession::kPhaseIdle:
            text.clear();
            return true;
        case CRecordSession::kPhaseInitializing:
            text = Text(304);
            return true;
        case CRecordSession::kPhaseWritingTracks:
            if (trackCount <= currentTrack)
                return false;
            text = FormatText(305, {currentTrack + 1, progress / 10});
            return true;
        case CRecordSession::kPhaseFinalizing:
            text = Text(306);
            return true;
        case CRecordSession::kPhaseLeadIn:
            text = Text(307);
            return true;
        case CRecordSession::kPhaseVerifying:
            text = FormatText(kVerifyingText, {progress / 10});
            return true;
        case CRecordSession::kPhaseAnalyzing: {
            if (trackCount <= currentTrack)
                return false;
            char line[64];
            std::snprintf(line, sizeof line, "Normalizing track %d of %d ", currentTrack + 1,
                          trackCount);
            text = line;
            return true;
        }
        default:
            return false;
    }
}

std::string RunResultText(int32_t test, const std::string& image) {
    if (test != 0)
        return Text(4012);
    std::string text = Text(4011);
    if (!image.empty())
        text += "\n" + FormatText(4013, {DisplayText(image)});
    return text;
}

std::string VerifyResultText(const CVerifyResult& result) {
    std::string text = result.problem.empty() ? "" : std::string("\n") + Text(kNotVerifiedText);
    for (const std::string& line : result.Lines()) text += "\n" + line;
    return text;
}

std::string GaplessRefusal(const CCdrDriver* driver) {
    if (dynamic_cast<const CMmcTrackDriver*>(driver) != nullptr)
        return Text(4023);
    return "";
}

std::string TransliterationNote(const CCdTextBuilder& builder) {
    if (builder.Transliterations().empty())
        return "";
    std::string text = std::string("\n") + Text(4025);
    for (const CCdTextBuilder::CTransliteration& t : builder.Transliterations()) {
        const std::string which = t.track == 0 ? Text(325) : std::to_string(t.track);
        text += "\n  " + DisplayText(which) + ": " + DisplayText(t.original) + " \xE2\x86\x92 " +
                Latin1ToUtf8(t.latin1);
    }
    return text;
}
