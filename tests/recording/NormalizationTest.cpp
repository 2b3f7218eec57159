// Normalization: the stored default and its question, and the level analysis.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "audio/Mp3Source.h"
#include "disc/DiscImage.h"
#include "recording/Normalization.h"
#include "recording/RecordSession.h"
#include "support/Mp3Craft.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Fixture;

class CScriptedQuestion : public INormalizeQuestion {
  public:
    explicit CScriptedQuestion(int32_t choice) : choice_(choice) {}
    int32_t AskNormalizeDefault() override {
        ++asked;
        return choice_;
    }
    int asked = 0;

  private:
    int32_t choice_;
};

TEST(NormalizeDefault, StoredValuesAndFilesThatHoldNone) {
    std::string start = testpaths::TempDir("nml-stored");
    CScriptedQuestion question(0);
    auto stored = [&](std::vector<uint8_t> bytes) {
        mp3craft::WriteBytes(start + "/nml.log", bytes);
        return LoadNormalizeDefault(start, question);
    };
    EXPECT_EQ(stored({0, 0, 0, 0}), 0);
    EXPECT_EQ(stored({1, 0, 0, 0}), 1);
    EXPECT_EQ(stored({5, 1, 0, 0, 9}), 261) << "taken as stored, extra bytes ignored";
    EXPECT_EQ(question.asked, 0);
    // Fewer than 4 bytes say nothing: the question is asked and the file mended.
    EXPECT_EQ(stored({0, 0}), 1);
    EXPECT_EQ(question.asked, 1);
    EXPECT_EQ(mp3craft::ReadBytes(start + "/nml.log"), (std::vector<uint8_t>{1, 0, 0, 0}));
}

TEST(NormalizeDefault, UnwritableStartFolderAsksEveryTime) {
    std::string start = testpaths::TempDir("nml-ro") + "/missing";
    CScriptedQuestion question(1);
    EXPECT_EQ(LoadNormalizeDefault(start, question), 0);
    EXPECT_EQ(LoadNormalizeDefault(start, question), 0);
    EXPECT_EQ(question.asked, 2);
}

// The largest absolute sample over what the analysis covers: the first
// (track bytes / 4608 - 1) blocks of 4608 bytes, decoded independently here.
int32_t PeakOfAnalysedPart(const std::string& path, int32_t trackBytes) {
    int64_t covered = std::max(0, trackBytes / 4608 - 1) * int64_t{4608};
    std::vector<uint8_t> audio(static_cast<size_t>(covered), 0);
    CMp3Source source;
    if (source.Open(path.c_str()) == 0)
        source.Read(audio.data(), static_cast<int32_t>(audio.size()));
    int32_t peak = 0;
    for (size_t i = 0; i + 1 < audio.size(); i += 2)
        peak =
            std::max(peak, std::abs(int32_t{static_cast<int16_t>(audio[i] | audio[i + 1] << 8)}));
    return peak;
}

TEST(ThreadedAnalyzeLevels, MeasuresEveryTrackUnchangedAndCopiesTheParameters) {
    std::string zero = testpaths::TempDir("analyze") + "/zero.mp3";
    mp3craft::Shape shape;
    shape.audioBytes = 4000;
    shape.xingOffset = 36;
    shape.xingFrames = 0;  // a 0-second track
    mp3craft::Write(zero, shape);
    // More tracks than cores, at every kind of rate: measured side by side, each comes
    // out as it does decoded alone.
    std::vector<std::string> paths = {
        Fixture("m1_44100_stereo.mp3"), zero,
        Fixture("m1_44100_mono.mp3"),   Fixture("truncated.mp3"),
        Fixture("m1_48000_stereo.mp3"), Fixture("m2_22050_mono.mp3"),
        Fixture("m25_8000_mono.mp3"),   Fixture("tone_48000_1khz.mp3"),
        Fixture("vbr_noxing_8s.mp3")};
    auto disc = std::make_unique<CDiscImage>();
    for (const auto& path : paths) ASSERT_EQ(disc->AddTrack(path.c_str(), "t"), 1);
    disc->peak.fill(12345);
    disc->normalizeOn = 1;
    disc->gain = 3.0f;  // whatever a run before left

    CRecordSession state;
    state.onlyIf = 1, state.lower = 80, state.higher = 95, state.target = 97;
    EXPECT_EQ(AnalyzeLevels(state, *disc), 1);
    EXPECT_EQ(disc->onlyIf, 1);
    EXPECT_EQ(disc->lower, 80);
    EXPECT_EQ(disc->higher, 95);
    EXPECT_EQ(disc->target, 97);
    EXPECT_EQ(disc->normalizeOn, 0);
    EXPECT_EQ(state.phase.load(), CRecordSession::kPhaseAnalyzing);
    EXPECT_EQ(state.currentTrack.load(), static_cast<int32_t>(paths.size()));
    EXPECT_EQ(state.progress.load(), 0);
    for (size_t t = 0; t < paths.size(); ++t) {
        EXPECT_EQ(disc->peak[t], PeakOfAnalysedPart(paths[t], disc->trackBytes[t])) << paths[t];
    }
    EXPECT_EQ(disc->peak[1], 0);
    EXPECT_GT(disc->peak[0], 8000) << "the fixtures are a tone at -6 dB";
    EXPECT_EQ(disc->peak[paths.size()], 12345) << "no track after the last";
}

}  // namespace
