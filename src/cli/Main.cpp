// tunevarn-cli: the terminal front end over the core, for scripts, headless machines,
// benchmarks and end-to-end tests.  The commands and their usage are in CliCommands.cpp.
#include <cstdio>
#include <string>
#include <vector>

#include "base/StartFolder.h"
#include "base/Version.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "ui/LanguageTable.h"

namespace {
// Never asks: without a remembered choice the command line runs in English.
struct NoLanguageDialog : ILanguageDialog {
    int32_t RunLanguageDialog(const std::vector<std::string>&) override { return -1; }
};

int ProgramError(const std::string& what) {
    std::fprintf(stderr, "tunevarn-cli: %s\n%s", TerminalText(what).c_str(),
                 UsageHint(nullptr).c_str());
    return kExitBadArguments;
}

int PrintUsage(const std::string& usage) {
    std::fputs(usage.c_str(), stdout);
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

// The language for this run: the one remembered, or the one --lang names.
bool SetUpLanguage(const std::string& language, std::string& error) {
    CLanguageTable& table = LanguageTable();
    table.SetStartFolder(CaptureStartFolder());
    table.EnumerateLanguages();
    NoLanguageDialog noDialog;
    table.LoadLanguageSetting(noDialog);
    if (language.empty() || table.UseLanguageForRun(language))
        return true;
    error = "no language named '" + language + "'";
    for (int32_t i = 0; i < table.LanguageCount(); ++i)
        error += std::string(i ? ", " : " (there are: English, ") + table.LanguageName(i);
    error += table.LanguageCount() ? ")" : " (only English is installed)";
    return false;
}
}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // Options before the command: --lang, --help, --version.
    std::string language;
    size_t i = 0;
    for (; i < args.size() && args[i].size() > 1 && args[i][0] == '-'; ++i) {
        if (args[i] == "--help" || args[i] == "-h")
            return PrintUsage(ProgramUsage());
        if (args[i] == "--version" || args[i] == "-V") {
            std::printf("%s\n", tunevarn::VersionText());
            return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
        }
        int taken = TakeLanguageOption(args, i, language);
        if (taken < 0)
            return ProgramError("--lang needs the NAME of a language");
        if (taken == 0)
            return ProgramError("unknown option '" + args[i] + "'");
    }
    if (i >= args.size())
        return ProgramError("no COMMAND given");
    // "help" and "help COMMAND", as other tools take them.
    if (args[i] == "help") {
        if (i + 1 >= args.size())
            return PrintUsage(ProgramUsage());
        const CCliCommand* asked = FindCliCommand(args[i + 1]);
        if (asked == nullptr || i + 2 < args.size())
            return ProgramError(asked == nullptr ? "help: no command '" + args[i + 1] + "'"
                                                 : "help takes one COMMAND");
        return PrintUsage(CommandUsage(*asked));
    }
    const CCliCommand* command = FindCliCommand(args[i]);
    if (command == nullptr)
        return ProgramError("unknown command '" + args[i] + "'");

    CCliArgs parsed(*command);
    parsed.SetLanguage(language);
    std::string error;
    bool good =
        parsed.Parse({args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end()}, error);
    if (parsed.HelpAsked())
        return PrintUsage(CommandUsage(*command));
    if (!good)
        return parsed.Error(error);
    if (!SetUpLanguage(parsed.Language(), error))
        return parsed.Error(error);
    return command->run(parsed);
}
