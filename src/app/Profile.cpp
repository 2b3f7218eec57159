#include "app/Profile.h"

#include "app/TextLineReader.h"

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}
}  // namespace

std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view def, size_t maxChars) {
    auto fallback = [&] { return std::string(def.substr(0, maxChars)); };
    if (key.find_first_of("\r\n=") != std::string_view::npos)
        return fallback();
    CTextLineReader in(path);
    if (!in.IsOpen())
        return fallback();
    bool inSection = false;
    bool sectionSeen = false;
    constexpr size_t kLongestLine = 64 * 1024;  // far beyond any real key and value
    for (std::string raw; in.ReadLine(raw, kLongestLine, CTextLineReader::LongLines::kCut);) {
        std::string_view line = Trim(raw);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            if (sectionSeen)
                break;  // only the first section of that name is consulted
            size_t close = line.find(']');
            std::string_view name =
                Trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
            inSection = EqualNoCase(name, section);
            sectionSeen = inSection;
            continue;
        }
        if (!inSection)
            continue;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        if (EqualNoCase(Trim(line.substr(0, eq)), key))
            return std::string(Trim(line.substr(eq + 1)).substr(0, maxChars));
    }
    return fallback();
}
