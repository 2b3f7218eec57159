// tunevarn-cli burn [options] PATH...: the main job without the window.  The songs become
// the disc as the record command makes it, and the run goes as from the Record dialog:
// the recording worker on its own thread, the dialog's phase texts with a progress bar
// here, Ctrl-C as its Stop, the drivers' messages on stderr.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/BurnerApp.h"
#include "app/DiscFilling.h"
#include "app/StartFolder.h"
#include "cli/CliRecorderChoice.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/InterruptFlag.h"
#include "cli/ProgressBar.h"
#include "cli/SongArgs.h"
#include "disc/CdTextBuilder.h"
#include "disc/DiscImage.h"
#include "drivers/DriverMessageQueue.h"
#include "recording/Normalization.h"
#include "recording/RecordRun.h"
#include "recording/RecordRunSetup.h"
#include "recording/RecordRunView.h"
#include "recording/RecordSession.h"
#include "scsi/BackendChoice.h"
#include "scsi/RecorderDiscovery.h"
#include "scsi/ScsiTransport.h"
#include "songlist/SongList.h"
#include "ui/DisplayText.h"
#include "ui/TextFormat.h"
#include "virtualdrive/VirtualBus.h"

namespace {
constexpr int kNotCompleted = 1;
constexpr int kStopped = 130;  // as a shell reports a command ended by Ctrl-C

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
    std::vector<std::string> paths;
};

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

bool Fail(const char* what, const std::string& value = "") {
    std::fprintf(stderr, "tunevarn-cli: burn: %s%s%s\n", what, value.empty() ? "" : ": ",
                 TerminalText(value).c_str());
    return false;
}

bool ParseOptions(const std::vector<std::string>& args, BurnOptions& options) {
    bool optionsEnd = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnd || arg.size() < 2 || arg[0] != '-') {
            options.paths.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnd = true;
            continue;
        }
        // "--name=value" as well as "--name value".
        std::string value;
        bool inlineValue = false;
        if (size_t equals = arg.find('='); equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg = arg.substr(0, equals);
            inlineValue = true;
        }
        auto takeValue = [&]() {
            if (inlineValue)
                return true;
            if (i + 1 >= args.size())
                return false;
            value = args[++i];
            return true;
        };
        if (arg == "--test" || arg == "--normalize" || arg == "--cd-text") {
            if (inlineValue)
                return Fail("takes no value", arg);
            if (arg == "--test")
                options.test = true;
            else if (arg == "--normalize")
                options.normalize = true;
            else
                options.cdText = true;
        } else if (arg == "--speed") {
            if (!takeValue() || !SpeedChoice(value, options.speedChoice))
                return Fail("--speed takes 1, 2, 4, 6, 8 or max", value);
        } else if (arg == "--target") {
            if (!takeValue() || !Percent(value, 1, options.target))
                return Fail("--target takes a percentage from 1 to 100", value);
        } else if (arg == "--only-if") {
            size_t comma = std::string::npos;
            if (!takeValue() || (comma = value.find(',')) == std::string::npos ||
                !Percent(value.substr(0, comma), 0, options.lower) ||
                !Percent(value.substr(comma + 1), 0, options.higher))
                return Fail("--only-if takes LOWER,HIGHER, percentages from 0 to 100", value);
            options.onlyIf = true;
        } else if (arg == "--album") {
            if (!takeValue())
                return Fail("--album takes a title");
            options.album = value;
            options.albumGiven = true;
            options.cdText = true;
        } else if (arg == "--driver") {
            const std::vector<std::string> names = CRecorderDiscovery::DriverNames();
            if (!takeValue() || std::find(names.begin(), names.end(), value) == names.end()) {
                std::string known;
                for (const std::string& name : names) known += (known.empty() ? "" : ", ") + name;
                return Fail(("--driver takes one of " + known).c_str(), value);
            }
            options.driver = value;
        } else if (arg == "--drive") {
            int32_t drive = 0;
            if (!takeValue() || !Percent(value, 1, drive) || drive > 16)
                return Fail("--drive takes the number of a recorder, from 1", value);
            options.drive = drive;
        } else {
            return Fail("unknown option", arg);
        }
    }
    if ((options.onlyIf || options.target != kDefaultNormalizeTarget) && !options.normalize)
        return Fail("--target and --only-if belong with --normalize");
    if (options.paths.empty())
        return Fail("no songs given");
    return true;
}

// The drivers' messages on the terminal.  They come here on the main thread, through
// the message queue; the bar is taken off the line first.  On an interactive terminal
// the run waits for Enter, as it waits for OK on the message box.
class CBurnMessages : public IDriverUi {
  public:
    explicit CBurnMessages(CProgressBar& bar) : bar_(bar) {}
    void ReportError(const std::string& text) override {
        bar_.Clear();
        std::fprintf(stderr, "trace: %s\n", DisplayText(text).c_str());
        if (::isatty(STDIN_FILENO) == 1 && ::isatty(STDERR_FILENO) == 1) {
            std::fprintf(stderr, "Press Enter to go on. ");
            std::fflush(stderr);
            char line[64];
            // Ctrl-C interrupts the read: the stop is on its way then.
            if (std::fgets(line, sizeof line, stdin) == nullptr)
                std::fputc('\n', stderr);
        }
        std::fflush(stderr);
    }

  private:
    CProgressBar& bar_;
};

// The phase line while the run goes: a bar on a terminal, else one line per change.
class CPhaseDisplay {
  public:
    CPhaseDisplay(CProgressBar& bar, int32_t trackCount)
        : bar_(bar), trackCount_(trackCount), terminal_(::isatty(STDERR_FILENO) == 1) {}

    void Show(const CRecordSession& state) {
        const int32_t phase = state.phase.load();
        const int32_t track = state.currentTrack.load();
        const int32_t progress = state.progress.load();
        std::string text = text_;
        if (!PhaseText(phase, track, progress, trackCount_, text))
            text = text_;
        text_ = text;
        int32_t perMille = progress;
        if (phase == CRecordSession::kPhaseAnalyzing && trackCount_ > 0)
            perMille = (track * 1000 + progress) / trackCount_;
        if (terminal_) {
            if (!text.empty())
                bar_.Show(perMille, text);
            return;
        }
        // Logs get a line when the phase or the track changes, not every percent.
        if (!text.empty() && (phase != shownPhase_ || track != shownTrack_)) {
            std::fprintf(stderr, "%s\n", DisplayText(text).c_str());
            shownPhase_ = phase;
            shownTrack_ = track;
        }
    }

  private:
    CProgressBar& bar_;
    int32_t trackCount_;
    bool terminal_;
    std::string text_;
    int32_t shownPhase_ = -1;
    int32_t shownTrack_ = -1;
};

class CNoView : public IRecordRunView {
  public:
    void PostWriteEnded() override {}
};
}  // namespace

int RunBurn(const std::vector<std::string>& args) {
    BurnOptions options;
    if (!ParseOptions(args, options))
        return Usage();

    CSongList songs;
    AddSongsFromPaths(songs, options.paths);
    if (songs.RowCount() == 0) {
        std::fprintf(stderr, "tunevarn-cli: burn: no songs to burn\n");
        return kNotCompleted;
    }

    std::string problem;
    auto backend = ChooseScsiBackendFromEnvironment(problem);
    if (!problem.empty()) {
        std::fprintf(stderr, "tunevarn-cli: %s\n", problem.c_str());
        return kNotCompleted;
    }
    CProgressBar bar;
    CBurnMessages shown(bar);
    CDriverMessageQueue messages(shown);
    // The application's objects, as the window program holds them for its whole run.
    auto app = std::make_unique<CBurnerApp>(CaptureStartFolder(), messages);
    app->Transport().UseBackend(std::move(backend));
    CRecorderDiscovery& recorders = app->Recorders();
    CDiscImage* disc = &app->DiscImage();
    CCliRecorderChoice chooser(options.drive, "--drive");
    recorders.SetDriverOverride(options.driver);
    recorders.DetectRecorders(app->StartFolder(), chooser);
    CCdrDriver* driver = recorders.Driver();
    if (driver == nullptr) {
        if (!chooser.BadPreset() && recorders.CandidateCount() <= 1)
            std::fprintf(stderr, "tunevarn-cli: burn: %s\n",
                         DisplayText(recorders.RecorderLine()).c_str());
        return kNotCompleted;
    }
    if (options.drive > 0 && recorders.CandidateCount() <= 1 && options.drive != 1) {
        std::fprintf(stderr, "tunevarn-cli: burn: --drive %d: there is one recorder\n",
                     options.drive);
        return kNotCompleted;
    }

    // The record command's disc: every row, as far as the disc takes them.
    FillDiscImage(songs, *disc, [&](int32_t row) {
        std::fprintf(stderr, "tunevarn-cli: left out %s: %s\n",
                     TerminalText(songs.FullPath(row)).c_str(),
                     TrackRefusal(*disc, songs.FullPath(row)));
    });
    if (disc->trackCount == 0) {
        std::fprintf(stderr, "tunevarn-cli: burn: no track for the disc\n");
        return kNotCompleted;
    }
    if (options.cdText && CdTextCapable().load() == 0) {
        std::fprintf(stderr, "tunevarn-cli: burn: this recorder's driver does not write CD-TEXT\n");
        return kNotCompleted;
    }
    std::printf("%s\n", DisplayText(recorders.RecorderLine()).c_str());
    std::printf("%s\n", DisplayText(FormatText(301, {disc->trackCount, disc->totalSeconds / 60,
                                                     disc->totalSeconds % 60}))
                            .c_str());
    std::fflush(stdout);

    // What the Record dialog does on Test or Record.
    CRecordSession state;
    CNoView view;
    state.driver = driver;
    state.view = &view;
    state.speedChoice = options.speedChoice;
    state.normalize = options.normalize ? 1 : 0;
    state.onlyIf = options.onlyIf ? 1 : 0;
    state.lower = options.lower;
    state.higher = options.higher;
    state.target = options.target;
    state.useCdText = options.cdText ? 1 : 0;
    state.albumTitle = options.albumGiven ? options.album : DefaultAlbumTitle(disc->trackCount);
    driver->test = options.test ? 1 : 0;
    CCdTextBuilder& cdText = app->NewCdTextBuilder();
    PrepareCdText(cdText, *driver, state.useCdText.load(), state.albumTitle);
    if (options.cdText && cdText.TitlesShortened())
        std::fprintf(stderr,
                     "tunevarn-cli: burn: the titles do not all fit the CD-TEXT; the "
                     "last ones are cut\n");
    state.stopRequested = 0;

    bool stopped = false;
    {
        CInterruptFlag interrupt;
        CPhaseDisplay display(bar, disc->trackCount);
        CRecordRun run(messages);
        run.Start(state);
        while (!run.Wait(50)) {
            if (interrupt.Raised() && !stopped) {
                stopped = true;
                state.stopRequested = 1;  // the dialog's Stop: the run ends its own way
            }
            display.Show(state);
        }
        stopped = stopped || interrupt.Raised();
        bar.Clear();
    }
    if (const int32_t held = driver->UnderrunProtections(); held > 0)
        std::printf("Buffer underrun protection held the disc %d time%s.\n", held,
                    held == 1 ? "" : "s");

    // A stop that came after the last block was sent finds the disc finished anyway.
    if (state.completed.load() == 1) {
        std::printf("%s\n",
                    options.test ? "Test write completed: nothing was burnt." : "Disc completed.");
        if (auto* bus = dynamic_cast<CVirtualBus*>(app->Transport().Backend());
            bus != nullptr && !options.test) {
            const std::string& image = bus->Device(recorders.DriverDeviceIndex()).LastImage();
            if (!image.empty())
                std::printf("Image: %s\n", TerminalText(image).c_str());
        }
        return std::fflush(stdout) == 0 ? 0 : kNotCompleted;
    }
    std::fprintf(stderr, "tunevarn-cli: burn: %s; the disc was not completed\n",
                 stopped ? "stopped" : "failed");
    return stopped ? kStopped : kNotCompleted;
}
