#include "base/Profile.h"

#include "base/AsciiText.h"
#include "base/TextLineReader.h"

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
        std::string_view line = TrimBlanks(raw);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            if (sectionSeen)
                break;  // only the first section of that name is consulted
            size_t close = line.find(']');
            std::string_view name =
                TrimBlanks(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
            inSection = EqualNoCase(name, section);
            sectionSeen = inSection;
            continue;
        }
        if (!inSection)
            continue;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        if (EqualNoCase(TrimBlanks(line.substr(0, eq)), key))
            return std::string(TrimBlanks(line.substr(eq + 1)).substr(0, maxChars));
    }
    return fallback();
}
