#include "cli/BurnOptions.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/BackendChoice.h"
#include "app/BurnerApp.h"
#include "app/ImageRecorder.h"
#include "base/AsciiText.h"
#include "cli/CliArgs.h"
#include "cli/CliRecorderChoice.h"
#include "cli/CliSupport.h"
#include "drivers/RecorderDiscovery.h"
#include "scsi/ScsiTransport.h"
#include "virtualdrive/VirtualBus.h"

namespace {

bool Percent(const std::string& text, int32_t low, int32_t& value) {
    if (text.empty() || text.size() > 3)
        return false;
    int32_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    if (v < low || v > 100)
        return false;
    value = v;
    return true;
}

bool SpeedChoice(const std::string& text, int32_t& choice) {
    static const char* const kSpeeds[] = {"1", "2", "4", "6", "8", "max"};
    for (int32_t i = 0; i < 6; ++i) {
        if (text == kSpeeds[i] || text == std::string(kSpeeds[i]) + "x") {
            choice = i;
            return true;
        }
    }
    return false;
}

}  // namespace

std::string ReadOptions(const CCliArgs& args, BurnOptions& options) {
    options.test = args.Has("--test");
    options.normalize = args.Has("--normalize");
    options.cdText = args.Has("--cd-text");
    options.gapless = args.Has("--gapless");
    options.verify = args.Has("--verify");
    if (options.verify && options.test)
        return "--verify reads back a written disc; --test writes none";
    if (args.Has("--image")) {
        options.image = args.Value("--image");
        if (const std::string why = ImageFolderProblem(options.image); !why.empty())
            return "--image " + options.image + ": " + why;
    }
    if (args.Has("--speed") && !SpeedChoice(args.Value("--speed"), options.speedChoice))
        return "--speed takes 1, 2, 4, 6, 8 or max, not '" + args.Value("--speed") + "'";
    if (args.Has("--target") && !Percent(args.Value("--target"), 1, options.target))
        return "--target takes a percentage from 1 to 100, not '" + args.Value("--target") + "'";
    if (args.Has("--only-if")) {
        std::string value = args.Value("--only-if");
        size_t comma = value.find(',');
        if (comma == std::string::npos || !Percent(value.substr(0, comma), 0, options.lower) ||
            !Percent(value.substr(comma + 1), 0, options.higher))
            return "--only-if takes LOWER,HIGHER, percentages from 0 to 100, not '" + value + "'";
        // The analysis would then change every track: surely not what was meant.
        if (options.lower > options.higher)
            return "--only-if " + value + ": LOWER is above HIGHER";
        options.onlyIf = true;
    }
    if (args.Has("--album")) {
        options.album = args.Value("--album");
        options.albumGiven = true;
        options.cdText = true;
    }
    if (args.Has("--driver")) {
        const std::vector<std::string> names = CRecorderDiscovery::DriverNames();
        const std::string given = args.Value("--driver");
        auto named = std::find_if(names.begin(), names.end(), [&given](const std::string& name) {
            return EqualNoCase(name, given);
        });
        if (named == names.end()) {
            std::string known;
            for (const std::string& name : names) known += (known.empty() ? "" : ", ") + name;
            return "--driver takes one of " + known + ", not '" + given + "'";
        }
        options.driver = *named;
    }
    if (!options.image.empty() && args.Has("--drive"))
        return "--drive names a recorder here; --image writes to none";
    if (args.Has("--drive") &&
        (!Percent(args.Value("--drive"), 1, options.drive) || options.drive > 16))
        return "--drive takes the number of a recorder from 1, not '" + args.Value("--drive") + "'";
    if ((options.onlyIf || args.Has("--target")) && !options.normalize)
        return "--target and --only-if belong with --normalize";
    options.paths = args.Operands();
    if (options.paths.empty())
        return "no PATH given";
    return "";
}

CCdrDriver* FindRecorder(const CCliArgs& args, const BurnOptions& options, CBurnerApp& app,
                         int& status) {
    const char* command = args.Command().name;
    std::string problem;
    // An image needs no drive and no variable: the image recorder is the only recorder.
    std::unique_ptr<IScsiBackend> backend =
        options.image.empty() ? ChooseScsiBackendFromEnvironment(problem)
                              : std::make_unique<CImageRecorderBackend>(
                                    nullptr, ImageRecorderConfig(options.image, options.driver));
    if (!problem.empty()) {
        std::fprintf(stderr, "tunevarn-cli: %s\n", problem.c_str());
        {
            status = kExitFailed;
            return nullptr;
        }
    }
    app.Transport().UseBackend(std::move(backend));
    CRecorderDiscovery& recorders = app.Recorders();
    CCliRecorderChoice chooser(options.drive, "--drive");
    recorders.SetDriverOverride(options.driver);
    recorders.DetectRecorders(app.StartFolder(), chooser);
    CCdrDriver* driver = recorders.Driver();
    // --drive naming a recorder that is not there is a wrong argument, not a failed burn.
    if (chooser.BadPreset()) {
        std::fputs(UsageHint(&args.Command()).c_str(), stderr);
        status = kExitBadArguments;
        return nullptr;
    }
    if (options.drive > 1 && recorders.CandidateCount() == 1) {
        status = args.Error("--drive " + std::to_string(options.drive) + ": there is one recorder");
        return nullptr;
    }
    if (driver == nullptr) {
        if (!chooser.BadPreset() && recorders.CandidateCount() <= 1)
            std::fprintf(stderr, "tunevarn-cli: %s: %s\n", command,
                         TerminalText(recorders.RecorderLine()).c_str());
        if (recorders.CandidateCount() == 0 &&
            dynamic_cast<CVirtualBus*>(app.Transport().Backend()) == nullptr)
            std::fprintf(stderr, "tunevarn-cli: %s: no CD recorder here%s\n", command,
                         args.Command().name == std::string("burn")
                             ? "; to burn a disc image instead, name a folder for it:\n"
                               "    tunevarn-cli burn --image FOLDER PATH..."
                             : "");
        status = kExitFailed;
        return nullptr;
    }
    return driver;
}
