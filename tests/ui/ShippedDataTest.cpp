// What the program ships: every language file translates every text, keeping the
// placeholders that the program fills in; the tips file has tips; the sample driver list
// reads as rules that select the drivers its examples name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "base/AsciiText.h"
#include "base/DisplayText.h"
#include "base/Profile.h"
#include "scsi/DriverList.h"
#include "support/TestPaths.h"
#include "ui/LanguageTable.h"
#include "ui/TextFormat.h"

namespace {
using testpaths::Lines;
using testpaths::ReadText;

std::string DataDir() {
    return testpaths::SourceDir() + "/data";
}

// The printf conversions of a text in order, each as written ("%02d", "%s"); "%%" is
// not a conversion.  A "%" that starts no valid conversion shows as "?".
std::vector<std::string> Conversions(const std::string& text) {
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::vector<std::string> out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        if (i + 1 < text.size() && text[i + 1] == '%') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < text.size() && std::strchr("-+ #0", text[j])) ++j;
        while (j < text.size() && digit(text[j])) ++j;
        if (j < text.size() && text[j] == '.')
            for (++j; j < text.size() && digit(text[j]);) ++j;
        if (j < text.size() && std::strchr("diuxXs", text[j])) {
            out.push_back(text.substr(i, j - i + 1));
            i = j;
        } else {
            out.push_back("?");
        }
    }
    return out;
}

// Every text a language file may translate: the built-in table and the resource
// strings (tooltips, the tips dialog), by id.
std::map<int32_t, const char*> EveryEnglishText() {
    std::map<int32_t, const char*> texts;
    for (int32_t id = 0; id <= 40000; ++id) {
        if (const char* t = CLanguageTable::BuiltInText(id))
            texts[id] = t;
        if (const char* t = CLanguageTable::ResourceString(id))
            texts[id] = t;
    }
    return texts;
}

TEST(ShippedLanguages, EveryTextTranslatedWithTheSamePlaceholders) {
    CLanguageTable table;
    table.SetStartFolder(DataDir());
    table.EnumerateLanguages();
    ASSERT_GE(table.LanguageCount(), 1) << "no language file in " << DataDir() << "/Language";
    const auto texts = EveryEnglishText();
    ASSERT_GT(texts.size(), 80u);
    for (int32_t lang = 0; lang < table.LanguageCount(); ++lang) {
        const std::string name = table.LanguageName(lang);
        const std::string file = table.LanguageFile(lang);
        SCOPED_TRACE(file);
        const std::string bytes = ReadText(file);
        // A byte order mark would hide "[Info]" from the reader; mixed encodings would
        // show as garbage.
        EXPECT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF");
        EXPECT_TRUE(IsValidUtf8(bytes));
        ASSERT_TRUE(table.UseLanguageForRun(name));
        ASSERT_EQ(table.active.load(), 1);
        for (const auto& [id, english] : texts) {
            // The empty text has nothing to translate, and no line of a language file
            // can hold a text with a line break in it.
            if (*english == '\0' || std::strchr(english, '\n'))
                continue;
            SCOPED_TRACE("text " + std::to_string(id) + " \"" + english + "\"");
            const char* kMissing = "\x01missing";
            const std::string value = ReadProfileString(file, "String", english, kMissing,
                                                        CLanguageTable::kTranslationBufferSize - 1);
            ASSERT_NE(value, kMissing) << "not translated";
            const bool isResource = CLanguageTable::ResourceString(id) != nullptr;
            const std::string shown = isResource ? table.ResourceText(id) : table.Text(id);
            ASSERT_EQ(shown, value);
            EXPECT_EQ(Conversions(shown), Conversions(english));
            // Formatting with the arguments the program passes for the English text
            // must take the translation, not fall back to English.
            std::vector<CTextArg> args;
            for (const std::string& c : Conversions(english))
                args.push_back(c.back() == 's' ? CTextArg("Text") : CTextArg(7));
            std::string formatted;
            EXPECT_TRUE(FormatChecked(shown.c_str(), args, formatted));
            // A shortcut letter stays one shortcut letter.
            if (std::strchr(english, '&')) {
                EXPECT_EQ(std::count(shown.begin(), shown.end(), '&'), 1);
                size_t amp = shown.find('&');
                EXPECT_TRUE(amp + 1 < shown.size() && shown[amp + 1] != ' ');
            }
        }
    }
}

TEST(ShippedStartFolder, TipsAndHelp) {
    const std::string tips = ReadText(DataDir() + "/tips.txt");
    int count = 0;
    for (const std::string& line : Lines(tips)) {
        // The tips rule: a line starting with a blank, a tab, ";" or nothing is no tip.
        if (line.empty() || line[0] == ' ' || line[0] == '\t' || line[0] == ';')
            continue;
        ++count;
        EXPECT_LE(line.size(), 999u) << line;  // the reader cuts lines there
        // The tips dialog shows the bytes as they are: plain ASCII reads the same in
        // every encoding.
        EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char c) {
            return c >= 0x20 && c < 0x7F;
        })) << line;
    }
    EXPECT_GE(count, 20);

    const std::string help = ReadText(DataDir() + "/Help.htm");
    ASSERT_NE(help.find("<html"), std::string::npos);
    EXPECT_NE(help.find("</html>"), std::string::npos);
    // Self-contained: it opens from the start folder without anything fetched.
    for (const char* external : {"src=", "<link", "url(", "@import"})
        EXPECT_EQ(help.find(external), std::string::npos) << external;
    // Every link inside the page has its target.
    std::smatch m;
    for (auto it = help.cbegin();
         std::regex_search(it, help.cend(), m, std::regex("href=\"#([^\"]+)\""));
         it = m.suffix().first)
        EXPECT_NE(help.find("id=\"" + m[1].str() + "\""), std::string::npos) << m[1];
}

// The sample driver list ships every rule commented out (";NAME ...", no blank after
// the ";"), so it changes nothing until a user enables a line.  Each example, enabled,
// selects its driver for a drive whose product its pattern names.
TEST(ShippedDriverList, ExamplesSelectTheirDrivers) {
    const std::string path = DataDir() + "/driver.lst";
    const std::vector<std::string> lines = Lines(ReadText(path));
    const std::set<std::string> drivers = {"MMC",  "MMCCDTEXT", "MMCRAW",   "2600", "RIC",
                                           "MMC2", "TEAC",      "MMCTRACK", "SONY"};
    std::set<std::string> covered;
    const std::string single = testpaths::TempDir("driverlst") + "/driver.lst";
    for (const std::string& line : lines) {
        EXPECT_LE(line.size(), kDriverListLineLength) << line;
        if (line.size() < 2 || line[0] != ';' || line[1] == ' ')
            continue;
        std::string rule = line.substr(1);
        std::string name = rule.substr(0, rule.find_first_of(" (:"));
        size_t colon = rule.rfind(':');
        if (!drivers.count(name) || colon == std::string::npos)
            continue;
        SCOPED_TRACE(line);
        std::string product(TrimBlanks(std::string_view(rule).substr(colon + 1)));
        if (!product.empty() && product.back() == '*')
            product = product.substr(0, product.size() - 1) + "A";
        char found[kDriverNameSize];
        EXPECT_EQ(LookupDriverName("VENDOR", product.c_str(), found, path), 0);
        std::ofstream(single, std::ios::binary | std::ios::trunc) << rule << "\r\n";
        ASSERT_EQ(LookupDriverName("VENDOR", product.c_str(), found, single), 1);
        EXPECT_EQ(std::string(found), name);
        covered.insert(name);
    }
    EXPECT_EQ(covered, drivers);
}

}  // namespace
