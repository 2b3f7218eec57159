#include "scsi/DriverList.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "base/AsciiText.h"
#include "base/TextLineReader.h"

namespace {
std::string Upper(const char* text) {
    std::string out = text ? text : "";
    for (char& c : out) c = AsciiUpper(c);
    return out;
}

void SetName(std::span<char> out, std::string_view name) {
    if (out.empty())
        return;
    std::fill(out.begin(), out.end(), '\0');
    size_t n = std::min(name.size(), out.size() - 1);
    std::copy_n(name.begin(), n, out.begin());
}

// The patterns a line is tested against, in order: the product, then its prefixes of
// length - 1 down to 3 characters, each followed by "*".
std::vector<std::string> Patterns(const std::string& product) {
    std::vector<std::string> patterns{product};
    for (size_t k = product.size() >= 1 ? product.size() - 1 : 0; k >= 3; --k)
        patterns.push_back(product.substr(0, k) + "*");
    return patterns;
}

// True when the line names one of the patterns; driver is then its first word.
bool Matches(std::string line, const std::vector<std::string>& patterns, std::string& driver) {
    if (line.empty() || line[0] == ';')
        return false;
    for (char& c : line) c = AsciiUpper(c);
    bool found = std::any_of(patterns.begin(), patterns.end(), [&](const std::string& p) {
        return line.find(p) != std::string::npos;
    });
    if (!found)
        return false;
    size_t start = 0;
    while (start < line.size() && IsBlank(line[start])) ++start;
    size_t end = start;
    while (end < line.size() && !IsBlank(line[end]) && line[end] != '(' && line[end] != ':') ++end;
    driver = line.substr(start, end - start);
    return true;
}
}  // namespace

int32_t LookupDriverName(const char* /*vendor*/, const char* product, std::span<char> outName,
                         const std::string& path) {
    SetName(outName, "");
    std::string upperProduct = Upper(product);
    CTextLineReader in(path);
    if (!in.IsOpen())
        return 0;
    if (!upperProduct.empty()) {
        std::vector<std::string> patterns = Patterns(upperProduct);
        std::string line, driver;
        while (in.ReadLine(line, kDriverListLineLength, CTextLineReader::LongLines::kCut)) {
            if (Matches(line, patterns, driver)) {
                SetName(outName, driver);
                return 1;
            }
        }
    }
    if (upperProduct.find("RW") != std::string::npos) {
        SetName(outName, "MMCCDTEXT");
        return 1;
    }
    return 0;
}
