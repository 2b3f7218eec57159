#pragma once
// printf-style formatting of user-visible texts that cannot be trusted: a language file
// may change a format string.  Every conversion is checked against the argument it
// would consume, so a hostile or mistaken translation can never read a wrong argument.
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

struct CTextArg {
    CTextArg(int32_t v) : isText(false), number(v) {}
    CTextArg(const char* v) : isText(true), text(v ? v : "") {}
    CTextArg(const std::string& v) : isText(true), text(v.c_str()) {}

    bool isText;
    int64_t number = 0;
    const char* text = "";
};

// Formats with %d %i %u %x %X (numbers), %s (texts) and %%, with the usual flags,
// width and precision.  False, with out unspecified, when a conversion is unknown or does
// not match its argument, or asks for more arguments than given.  Fewer is allowed.
bool FormatChecked(const char* format, std::span<const CTextArg> args, std::string& out);

// Text(id) formatted with args; when the current language's text does not fit the
// arguments, the built-in English text is used instead.
std::string FormatText(int32_t id, std::initializer_list<CTextArg> args);
