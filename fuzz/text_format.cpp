// The checked formatter on a format text of the fuzzer's (as a language file could hold
// one) with arguments it picks.  Input: one byte for the argument count; each argument a
// byte that makes it a text (a length byte and its bytes) or a number (four bytes); then
// the format, up to a NUL.
//
// Beyond "no crash", a second opinion: the format is walked here conversion by
// conversion and each one handed to the C library with its argument typed as C wants
// it.  The formatter must refuse exactly what this walk finds wrong, and where C defines
// the result, give the C library's text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/FuzzInput.h"
#include "support/Require.h"
#include "ui/TextFormat.h"

namespace {
constexpr int kMaxNumber = 1024;  // widths and precisions beyond are refused

enum class Verdict { kDefined, kUndefinedInC, kRefused };

bool ReadNumber(const std::string& f, size_t& i) {
    int value = 0;
    for (; i < f.size() && f[i] >= '0' && f[i] <= '9'; ++i) {
        value = value * 10 + (f[i] - '0');
        if (value > kMaxNumber)
            return false;
    }
    return true;
}

Verdict Reference(const std::string& f, const std::vector<CTextArg>& args, std::string& out) {
    Verdict verdict = Verdict::kDefined;
    size_t next = 0;
    std::vector<char> piece(4 * kMaxNumber);
    for (size_t i = 0; i < f.size();) {
        if (f[i] != '%') {
            out.push_back(f[i++]);
            continue;
        }
        if (i + 1 < f.size() && f[i + 1] == '%') {
            out.push_back('%');
            i += 2;
            continue;
        }
        size_t j = i + 1;
        std::string flags;
        for (; j < f.size() && std::strchr("-0+ #", f[j]) != nullptr; ++j) flags.push_back(f[j]);
        if (!ReadNumber(f, j))
            return Verdict::kRefused;
        if (j < f.size() && f[j] == '.' && !ReadNumber(f, ++j))
            return Verdict::kRefused;
        if (j >= f.size() || next >= args.size())
            return Verdict::kRefused;
        const char conversion = f[j];
        const std::string format = f.substr(i, j - i + 1);
        const CTextArg& arg = args[next++];
        i = j + 1;
        int n = 0;
        if (conversion == 's') {
            if (!arg.isText)
                return Verdict::kRefused;
            if (flags.find_first_of("0+ #") != std::string::npos)
                verdict = Verdict::kUndefinedInC;
            n = std::snprintf(piece.data(), piece.size(), format.c_str(), arg.text);
        } else if (conversion == 'd' || conversion == 'i') {
            if (arg.isText)
                return Verdict::kRefused;
            if (flags.find('#') != std::string::npos)
                verdict = Verdict::kUndefinedInC;
            n = std::snprintf(piece.data(), piece.size(), format.c_str(),
                              static_cast<int>(arg.number));
        } else if (conversion == 'u' || conversion == 'x' || conversion == 'X') {
            if (arg.isText)
                return Verdict::kRefused;
            if (conversion == 'u' && flags.find('#') != std::string::npos)
                verdict = Verdict::kUndefinedInC;
            n = std::snprintf(piece.data(), piece.size(), format.c_str(),
                              static_cast<unsigned>(arg.number));
        } else {
            return Verdict::kRefused;
        }
        REQUIRE(n >= 0 && static_cast<size_t>(n) < piece.size());
        out.append(piece.data(), static_cast<size_t>(n));
    }
    return verdict;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFuzzInput in(data, size);
    const size_t count = in.Byte() % 9;
    std::vector<std::string> texts;
    texts.reserve(count);  // the arguments point into these
    std::vector<CTextArg> args;
    for (size_t i = 0; i < count; ++i) {
        if (in.Bit()) {
            texts.push_back(in.ShortText());
            args.emplace_back(texts.back());
        } else {
            args.emplace_back(static_cast<int32_t>(in.Be32()));
        }
    }
    const std::string format(in.UntilNul());

    std::string out;
    const bool formatted = FormatChecked(format.c_str(), args, out);
    std::string expected;
    const Verdict verdict = Reference(format, args, expected);
    REQUIRE(formatted == (verdict != Verdict::kRefused));
    if (verdict == Verdict::kDefined)
        REQUIRE(out == expected);
    return 0;
}
