#pragma once
// What the Record dialog shows and prepares around a run: the album title it offers, its
// line of totals, the CD-TEXT it prepares before each start, the line it shows for the
// run's phase, and the message at the end of a completed run.
#include <cstdint>
#include <string>

class CCdTextBuilder;
class CCdrDriver;
class CDiscImage;
struct CVerifyResult;

// The album title the dialog offers for a disc of trackCount tracks.
std::string DefaultAlbumTitle(int32_t trackCount);

// The dialog's line of totals (text 301): the disc's track count and total time.
std::string TotalsLine(const CDiscImage& disc);

// Before each start: with useCdText 0 the CD-TEXT flag is cleared and nothing else
// happens; otherwise the builder is refilled with the album title and the disc image's
// track titles, its packs built, the driver pointed at them, and the flag set (only
// when there is something to write).
void PrepareCdText(CCdTextBuilder& builder, CCdrDriver& driver, int32_t useCdText,
                   const std::string& albumTitle);

// The progress line for a phase, as the dialog's timer sets it: false when the line is
// to stay as it is.
bool PhaseText(int32_t phase, int32_t currentTrack, int32_t progress, int32_t trackCount,
               std::string& text);

// What the dialog says when a run has completed its disc: a test, or a real disc and,
// for a recorder that writes an image (the virtual one), where that image is.
std::string RunResultText(int32_t test, const std::string& image);
// What the end message adds for a verified disc: the report's lines, or why the disc
// could not be verified.
std::string VerifyResultText(const CVerifyResult& result);

// Why the driver cannot write the songs gapless ("" when it can): track at once leaves
// a gap before every track.
std::string GaplessRefusal(const CCdrDriver* driver);
constexpr int32_t kOnlyGaplessFitsText = 4027;
constexpr int32_t kVerifyBoxText = 4028;
constexpr int32_t kVerifyingText = 4029;
constexpr int32_t kNotVerifiedText = 4030;

// The titles the CD-TEXT builder wrote in Latin letters, one line each after a line that
// says so (UTF-8, every line starting with a line break); "" when there were none.
std::string TransliterationNote(const CCdTextBuilder& builder);
