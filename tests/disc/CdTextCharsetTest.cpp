// Titles as CD-TEXT carries them: Latin-1 letters kept, other scripts in Latin letters
// (and said so), what has no letters at all marked; and the MS-JIS form of the Japanese
// block, checked against glibc's own Windows-31J converter.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "disc/CdTextCharset.h"

namespace {
// UTF-8 text in code page 932, through iconv; "" when it has no such form.
std::string Cp932(const std::string& utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return "";
    std::string in = utf8;
    std::string out(in.size() * 4, '\0');
    char* from = in.data();
    char* to = out.data();
    size_t fromLeft = in.size();
    size_t toLeft = out.size();
    const size_t r = iconv(cd, &from, &fromLeft, &to, &toLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1))
        return "";
    out.resize(out.size() - toLeft);
    return out;
}

bool OnlyLettersOf(const std::string& text, unsigned highest) {
    if (text.empty())
        return false;
    for (char c : text)
        if (static_cast<unsigned char>(c) > highest || c == '?')
            return false;
    return true;
}
}  // namespace

TEST(CdTextCharset, Latin1KeepsItsLettersAndWritesOtherScriptsInLatinLetters) {
    struct Case {
        std::string title;
        bool transliterated;
        std::string startsWith;  // of the Latin-1 form
    };
    const Case cases[] = {
        {"Caf\xC3\xA9 Stra\xC3\x9F"
         "e",
         false,
         "Caf\xE9 Stra\xDF"
         "e"},                          // UTF-8, all Latin-1
        {"Caf\xE9", false, "Caf\xE9"},  // Latin-1 bytes already
        {"\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1", true, "Kal"},  // Greek
        {"\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0", true, "Moskva"},  // Russian
        {"Caf\xC3\xA9 \xCE\xA9", true, "Caf\xE9 O"},  // a Latin-1 letter stays beside a Greek one
        {"\xE5\xA4\x9C\xE6\x98\x8E\xE3\x81\x91", true, ""},  // Japanese
    };
    for (const Case& c : cases) {
        bool transliterated = !c.transliterated;
        const std::string latin1 = CdTextLatin1(c.title, &transliterated);
        EXPECT_EQ(transliterated, c.transliterated) << c.title;
        EXPECT_EQ(latin1.rfind(c.startsWith, 0), 0u) << c.title << " -> " << latin1;
        EXPECT_TRUE(OnlyLettersOf(latin1, 0xFF)) << c.title << " -> " << latin1;
        EXPECT_TRUE(OnlyLettersOf(CdTextAscii(c.title), 0x7F)) << c.title;
    }
    // Without letters of any script there is nothing to write but a mark.
    EXPECT_EQ(CdTextLatin1("\xF0\x9F\x8E\xB5"), "?");
}

TEST(CdTextCharset, MsJisHasTwoBytesForEveryCharacterOrNothing) {
    struct Case {
        std::string title;
        bool japanese;
        std::string asShiftJis;  // "" when it has no MS-JIS form
    };
    const Case cases[] = {
        // Kanji and hiragana as they are.
        {"\xE5\xA4\x9C\xE6\x98\x8E\xE3\x81\x91\xE3\x81\xAE\xE6\xAD\x8C", true,
         "\xE5\xA4\x9C\xE6\x98\x8E\xE3\x81\x91\xE3\x81\xAE\xE6\xAD\x8C"},
        // ASCII and half-width katakana in their full-width forms.
        {"A1 \xEF\xBD\xB1", true, "\xEF\xBC\xA1\xEF\xBC\x91\xE3\x80\x80\xE3\x82\xA2"},
        {"Abc", false, "\xEF\xBC\xA1\xEF\xBD\x82\xEF\xBD\x83"},
        // An accented letter MS-JIS lacks: no form at all rather than a wrong one.
        {"Caf\xC3\xA9", false, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsJapaneseTitle(c.title), c.japanese) << c.title;
        std::string msJis = "left over";
        const bool converted = CdTextMsJis(c.title, msJis);
        EXPECT_EQ(converted, !c.asShiftJis.empty()) << c.title;
        EXPECT_EQ(msJis, c.asShiftJis.empty() ? "" : Cp932(c.asShiftJis)) << c.title;
        if (converted) {
            EXPECT_EQ(msJis.size() % 2, 0u);
        }
    }
}
