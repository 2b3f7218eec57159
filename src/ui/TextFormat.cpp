#include "ui/TextFormat.h"

#include <cstdio>
#include <cstring>

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
        while (IsFlag(*p)) ++p;
        int width = 0, precision = 0;
        if (!ReadNumber(p, width))
            return false;
        if (*p == '.') {
            ++p;
            if (!ReadNumber(p, precision))
                return false;
        }
        char conv = *p;
        if (conv == '\0' || next >= args.size())
            return false;
        ++p;
        // The conversion as written, without any length modifier, re-typed below.
        std::string spec(start, static_cast<size_t>(p - start - 1));
        const CTextArg& arg = args[next++];
        char piece[2 * kMaxWidth + 64];
        int n;
        if (conv == 'd' || conv == 'i' || conv == 'u' || conv == 'x' || conv == 'X') {
            if (arg.isText)
                return false;
            spec += "ll";
            spec += conv;
            n = std::snprintf(piece, sizeof piece, spec.c_str(),
                              static_cast<long long>(arg.number));
        } else if (conv == 's') {
            if (!arg.isText)
                return false;
            // Texts may be long; only padding goes through snprintf.
            size_t len = std::strlen(arg.text);
            if (spec.find('.') != std::string::npos && static_cast<size_t>(precision) < len)
                len = static_cast<size_t>(precision);
            size_t pad = static_cast<size_t>(width) > len ? static_cast<size_t>(width) - len : 0;
            bool left = spec.find('-') != std::string::npos;
            if (!left)
                out.append(pad, ' ');
            out.append(arg.text, len);
            if (left)
                out.append(pad, ' ');
            continue;
        } else {
            return false;
        }
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
