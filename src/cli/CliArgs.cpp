#include "cli/CliArgs.h"

#include <cstdio>

#include "cli/CliSupport.h"

namespace {
const CCliOption* FindOption(const CCliCommand& command, const std::string& name) {
    for (const CCliOption& option : command.options)
        if (name == option.name)
            return &option;
    return nullptr;
}
}  // namespace

int TakeLanguageOption(const std::vector<std::string>& args, size_t& i, std::string& name) {
    const std::string& arg = args[i];
    if (arg.rfind("--lang=", 0) == 0) {
        name = arg.substr(7);
        return name.empty() ? -1 : 1;
    }
    if (arg != "--lang")
        return 0;
    if (i + 1 >= args.size())
        return -1;
    name = args[++i];
    return 1;
}

bool CCliArgs::Parse(const std::vector<std::string>& args, std::string& error) {
    bool optionsEnd = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // "-" alone is an operand (as a file name it is merely odd); so is all after "--".
        if (optionsEnd || arg.size() < 2 || arg[0] != '-') {
            operands_.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnd = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            help_ = true;
            continue;
        }
        if (int taken = TakeLanguageOption(args, i, language_); taken != 0) {
            if (taken < 0) {
                error = "--lang needs the NAME of a language";
                return false;
            }
            continue;
        }
        std::string name = arg;
        std::string value;
        bool inlineValue = false;
        if (size_t equals = arg.find('='); equals != std::string::npos && arg.rfind("--", 0) == 0) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            inlineValue = true;
        }
        const CCliOption* option = FindOption(command_, name);
        if (option == nullptr) {
            error = "unknown option '" + name + "'";
            return false;
        }
        if (option->value == nullptr) {
            if (inlineValue) {
                error = name + " takes no value";
                return false;
            }
        } else if (!inlineValue) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value (" + option->value + ")";
                return false;
            }
            value = args[++i];
        }
        options_.emplace_back(name, value);
    }
    return true;
}

bool CCliArgs::Has(const char* option) const {
    for (const auto& given : options_)
        if (given.first == option)
            return true;
    return false;
}

std::string CCliArgs::Value(const char* option) const {
    std::string value;
    for (const auto& given : options_)
        if (given.first == option)
            value = given.second;
    return value;
}

int CCliArgs::Error(const std::string& what) const {
    // One line whatever the user typed: control characters in it are shown as "?".
    std::fprintf(stderr, "tunevarn-cli: %s: %s\n%s", command_.name, TerminalText(what).c_str(),
                 UsageHint(&command_).c_str());
    return kExitBadArguments;
}
