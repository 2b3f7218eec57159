#include "ui/TextFormat.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "ui/LanguageTable.h"

namespace {
constexpr int kMaxWidth = 1024;  // wider fields are refused rather than allocated

bool IsFlag(char c) {
    return c == '-' || c == '0' || c == '+' || c == ' ' || c == '#';
}

// Reads up to four digits; returns false when the number is larger than kMaxWidth.
bool ReadNumber(const char*& p, int& value) {
    value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + (*p - '0');
        if (value > kMaxWidth)
            return false;
        ++p;
    }
    return true;
}
}  // namespace

bool FormatChecked(const char* format, std::span<const CTextArg> args, std::string& out) {
    out.clear();
    if (format == nullptr)
        return false;
    size_t next = 0;
    const char* p = format;
    while (*p != '\0') {
        if (*p != '%') {
            const char* run = std::strchr(p, '%');
            size_t n = run ? static_cast<size_t>(run - p) : std::strlen(p);
            out.append(p, n);
            p += n;
            continue;
        }
        const char* start = p++;
        if (*p == '%') {
            out.push_back('%');
            ++p;
            continue;
        }
        bool minus = false, zero = false, other = false;  // other: '+', ' ' or '#'
        for (; IsFlag(*p); ++p) {
            minus = minus || *p == '-';
            zero = zero || *p == '0';
            other = other || *p == '+' || *p == ' ' || *p == '#';
        }
        int width = 0, precision = 0;
        if (!ReadNumber(p, width))
            return false;
        bool hasPrecision = *p == '.';
        if (hasPrecision) {
            ++p;
            if (!ReadNumber(p, precision))
                return false;
        }
        char conv = *p;
        if (conv == '\0' || next >= args.size())
            return false;
        ++p;
        const CTextArg& arg = args[next++];
        auto pad = [&](std::string_view text, char fill) {
            size_t n = static_cast<size_t>(width) > text.size()
                           ? static_cast<size_t>(width) - text.size()
                           : 0;
            if (minus) {
                out.append(text);
                out.append(n, ' ');
            } else if (fill == '0' && !text.empty() && text[0] == '-') {
                out.push_back('-');  // zeros go between the sign and the digits
                out.append(n, '0');
                out.append(text.substr(1));
            } else {
                out.append(n, fill);
                out.append(text);
            }
        };
        if (conv == 's') {
            if (!arg.isText)
                return false;
            size_t len = std::strlen(arg.text);
            if (hasPrecision && static_cast<size_t>(precision) < len)
                len = static_cast<size_t>(precision);
            pad(std::string_view(arg.text, len), ' ');
            continue;
        }
        if (conv != 'd' && conv != 'i' && conv != 'u' && conv != 'x' && conv != 'X')
            return false;
        if (arg.isText)
            return false;
        if ((conv == 'd' || conv == 'i') && !other && !hasPrecision) {
            // The common case (every built-in text): plain decimal with padding.
            char digits[24];
            auto done = std::to_chars(digits, digits + sizeof digits, arg.number);
            pad(std::string_view(digits, static_cast<size_t>(done.ptr - digits)), zero ? '0' : ' ');
            continue;
        }
        // The conversion as written, re-typed for a 64-bit argument.  The numbers are the
        // texts' 32-bit ints: an unsigned conversion shows a negative one as printf shows
        // an int, not as its 64-bit extension.
        std::string conversion(start, static_cast<size_t>(p - start - 1));
        conversion += "ll";
        conversion += conv;
        const bool isUnsigned = conv == 'u' || conv == 'x' || conv == 'X';
        const long long value = isUnsigned
                                    ? static_cast<long long>(static_cast<uint32_t>(arg.number))
                                    : static_cast<long long>(arg.number);
        char piece[2 * kMaxWidth + 64];
        int n = std::snprintf(piece, sizeof piece, conversion.c_str(), value);
        if (n < 0)
            return false;
        out.append(piece, static_cast<size_t>(n) < sizeof piece ? static_cast<size_t>(n)
                                                                : sizeof piece - 1);
    }
    return true;
}

std::string FormatText(int32_t id, std::initializer_list<CTextArg> args) {
    std::span<const CTextArg> list(args.begin(), args.size());
    std::string out;
    if (FormatChecked(Text(id), list, out))
        return out;
    const char* english = CLanguageTable::BuiltInText(id);
    if (english != nullptr && FormatChecked(english, list, out))
        return out;
    return std::string();
}
