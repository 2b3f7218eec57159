#pragma once
// What burn and verify share: the options that shape the disc as the Record dialog's
// controls would (normalization, gapless, CD-TEXT, speed), the choice of recorder, and
// finding that recorder as the window program does.
#include <cstdint>
#include <string>
#include <vector>

#include "recording/Normalization.h"

class CBurnerApp;
class CCdrDriver;
class CCliArgs;

struct BurnOptions {
    bool test = false;
    int32_t speedChoice = 0;  // the dialog's "1x (Recommended)"
    bool normalize = false;
    int32_t target = kDefaultNormalizeTarget;
    bool onlyIf = false;
    int32_t lower = kDefaultNormalizeLower;
    int32_t higher = kDefaultNormalizeHigher;
    bool cdText = false;
    bool albumGiven = false;
    std::string album;
    int32_t drive = 0;
    std::string driver;  // "" = the one discovery gives the recorder
    bool gapless = false;
    std::string image;  // the folder of the image recorder; "" = the recorders here
    bool verify = false;
    std::vector<std::string> paths;
};

// The options as the Record dialog would have them; "" when they are good, else what
// is wrong, for one line.  Options the command does not take are never given.
std::string ReadOptions(const CCliArgs& args, BurnOptions& options);

// The recorder the options choose (or the image recorder with --image), with its
// driver, found into app; null when there is none, having told why on stderr, with the
// exit status to return in status.
CCdrDriver* FindRecorder(const CCliArgs& args, const BurnOptions& options, CBurnerApp& app,
                         int& status);
