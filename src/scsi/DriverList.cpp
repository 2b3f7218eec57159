#include "scsi/DriverList.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "app/FileIo.h"

namespace {
std::string Upper(const char* text) {
    std::string out = text ? text : "";
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
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

class CLineMatcher {
  public:
    explicit CLineMatcher(const std::string& product) : patterns_(Patterns(product)) {}

    // Feeds the bytes of one line as they come; true once a finished line matched.
    void Add(char c) {
        if (cut_)
            return;
        if (c == '\0') {
            cut_ = true;
            return;
        }
        if (line_.size() < kDriverListLineLength)
            line_ += c;
    }
    bool EndLine(std::string& driver) {
        bool matched = Matches(driver);
        line_.clear();
        cut_ = false;
        return matched;
    }

  private:
    bool Matches(std::string& driver) {
        if (line_.empty() || line_[0] == ';')
            return false;
        for (char& c : line_)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        bool found = false;
        for (const std::string& pattern : patterns_)
            if (line_.find(pattern) != std::string::npos) {
                found = true;
                break;
            }
        if (!found)
            return false;
        size_t start = 0;
        while (start < line_.size() && IsBlank(line_[start])) ++start;
        size_t end = start;
        while (end < line_.size() && !IsBlank(line_[end]) && line_[end] != '(' && line_[end] != ':')
            ++end;
        driver = line_.substr(start, end - start);
        return true;
    }

    std::vector<std::string> patterns_;
    std::string line_;
    bool cut_ = false;
};
}  // namespace

int32_t LookupDriverName(const char* /*vendor*/, const char* product, std::span<char> outName,
                         const std::string& path) {
    SetName(outName, "");
    std::string upperProduct = Upper(product);
    CFile file;
    if (!file.OpenForReading(path.c_str()))
        return 0;
    if (!upperProduct.empty()) {
        CLineMatcher matcher(upperProduct);
        std::string driver;
        std::array<char, 65536> chunk;
        int64_t offset = 0;
        bool pending = false;
        for (;;) {
            int64_t n = file.ReadAt(offset, chunk.data(), chunk.size());
            if (n <= 0)
                break;
            offset += n;
            for (int64_t i = 0; i < n; ++i) {
                char c = chunk[static_cast<size_t>(i)];
                if (c == '\n' || c == '\r') {
                    if (matcher.EndLine(driver)) {
                        SetName(outName, driver);
                        return 1;
                    }
                    pending = false;
                } else {
                    matcher.Add(c);
                    pending = true;
                }
            }
        }
        if (pending && matcher.EndLine(driver)) {
            SetName(outName, driver);
            return 1;
        }
    }
    if (upperProduct.find("RW") != std::string::npos) {
        SetName(outName, "MMCCDTEXT");
        return 1;
    }
    return 0;
}
