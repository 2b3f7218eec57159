#pragma once
// Reading INI-style text files ("[Section]" headers, "key=value" lines): sections and
// keys match without regard to ASCII letter case, blanks and tabs around keys and values
// are removed, the first matching section and the first matching key in it count, and
// the default comes back when anything is missing.  Lines starting with ";" are comments.
#include <cstddef>
#include <string>
#include <string_view>

// The value of key in section of the file at path, or def.  At most maxChars characters
// of the value are kept.  A key that could never stand in a file (one holding a line
// break or "=") is never found.
std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view def, size_t maxChars);
