#pragma once
// One command's arguments, split by its table entry into options and operands: "--name
// value" and "--name=value" for options with a value, "--" ends the options, "-h" and
// "--help" ask for the usage, "--lang NAME" is taken by every command.  A wrong argument
// is told in one line followed by where its usage is to be had, with exit status 2.
#include <string>
#include <utility>
#include <vector>

#include "cli/CliCommands.h"

class CCliArgs {
  public:
    explicit CCliArgs(const CCliCommand& command) : command_(command) {}

    // Takes args (after the command name); false with the reason in error for an
    // unknown option or an option missing its value (or given one it does not take).
    bool Parse(const std::vector<std::string>& args, std::string& error);

    const CCliCommand& Command() const { return command_; }
    bool Has(const char* option) const;
    // The value given last for option ("" when not given).
    std::string Value(const char* option) const;
    const std::vector<std::string>& Operands() const { return operands_; }
    bool HelpAsked() const { return help_; }
    const std::string& Language() const { return language_; }
    // A --lang given before the command name.
    void SetLanguage(const std::string& name) { language_ = name; }

    // Tells stderr "tunevarn-cli: COMMAND: what" and the hint to its usage; returns 2.
    int Error(const std::string& what) const;

  private:
    const CCliCommand& command_;
    std::vector<std::pair<std::string, std::string>> options_;
    std::vector<std::string> operands_;
    std::string language_;
    bool help_ = false;
};

// Takes "--lang NAME" or "--lang=NAME" at args[i] (advancing i past a separate value):
// 1 when taken, 0 when args[i] is not --lang, -1 when its value is missing.
int TakeLanguageOption(const std::vector<std::string>& args, size_t& i, std::string& name);
