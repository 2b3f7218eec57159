// The built-in texts, checked formatting of texts that a language may change, and
// display decoding of byte strings.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/DisplayText.h"
#include "ui/LanguageTable.h"
#include "ui/TextFormat.h"

namespace {
TEST(BuiltInText, RowsAndGaps) {
    EXPECT_STREQ(CLanguageTable::BuiltInText(101), "CD Recorder: %s %s %s");
    EXPECT_STREQ(CLanguageTable::BuiltInText(111), "MP3 Title");
    EXPECT_STREQ(CLanguageTable::BuiltInText(305), "Writing track %d, total %02d%% done.");
    EXPECT_STREQ(CLanguageTable::BuiltInText(909), "");
    EXPECT_STREQ(CLanguageTable::BuiltInText(1001),
                 "You should select a MP3 file in the list first.");
    EXPECT_STREQ(CLanguageTable::BuiltInText(2012), "&Tips of the day");
    const char* info = CLanguageTable::BuiltInText(700);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info[std::strlen(info) - 1], '\n');
    for (int32_t id : {0, 100, 107, 115, 308, 2013, -1, 32772})
        EXPECT_EQ(CLanguageTable::BuiltInText(id), nullptr) << id;
    // Every numbered row is in the table.
    int rows = 0;
    for (int32_t id = 0; id < 3000; ++id) rows += CLanguageTable::BuiltInText(id) != nullptr;
    // 65, and the cover's two messages about a picture that cannot be read (910, 911).
    EXPECT_EQ(rows, 67);
    // English in use: Text is the built-in text itself.
    EXPECT_EQ(Text(114), CLanguageTable::BuiltInText(114));
    EXPECT_STREQ(Text(4242), "");
}

TEST(TextFormat, ConversionsOfTheTable) {
    std::string out;
    CTextArg args[] = {5, 75, 0, 0, 0, 5, 0};
    ASSERT_TRUE(FormatChecked(CLanguageTable::BuiltInText(114), args, out));
    EXPECT_EQ(out, "5 songs, total time: 75:00, time left:<74min disc>00:00 <80min disc>05:00");
    CTextArg progress[] = {3, 7};
    ASSERT_TRUE(FormatChecked(CLanguageTable::BuiltInText(305), progress, out));
    EXPECT_EQ(out, "Writing track 3, total 07% done.");
    CTextArg drive[] = {"VENDOR", "MODEL", "1.0"};
    ASSERT_TRUE(FormatChecked(CLanguageTable::BuiltInText(101), drive, out));
    EXPECT_EQ(out, "CD Recorder: VENDOR MODEL 1.0");
    CTextArg padded[] = {"ab", "cd", -4, 255};
    ASSERT_TRUE(FormatChecked("[%5s|%-4s|%+d|%04X]", padded, out));
    EXPECT_EQ(out, "[   ab|cd  |-4|00FF]");
    CTextArg signs[] = {-42, 42, -7, 7, 123456};
    ASSERT_TRUE(FormatChecked("%05d|%-5d|%3d|%02d|%02d", signs, out));
    EXPECT_EQ(out, "-0042|42   | -7|07|123456");
    // Negative numbers under unsigned conversions read as printf reads a 32-bit int.
    CTextArg negative[] = {-1, -2, -255, -3};
    ASSERT_TRUE(FormatChecked("%u|%x|%08X|%.2u", negative, out));
    EXPECT_EQ(out, "4294967295|fffffffe|FFFFFF01|4294967293");
}

TEST(TextFormat, MismatchedOrHostileFormatsAreRefused) {
    std::string out;
    CTextArg numbers[] = {1, 2};
    for (const char* bad : {"%s", "%d %d %d", "%n", "%p", "%f", "%c", "%*d", "%99999d", "%.99999d",
                            "%", "%lld %hd"}) {
        EXPECT_FALSE(FormatChecked(bad, numbers, out)) << bad;
    }
    CTextArg texts[] = {"x"};
    EXPECT_FALSE(FormatChecked("%d", texts, out));
    EXPECT_TRUE(FormatChecked("only %d", numbers, out));  // fewer conversions is fine
    EXPECT_EQ(out, "only 1");
    EXPECT_TRUE(FormatChecked("100%% sure", {}, out));
    EXPECT_EQ(out, "100% sure");
    // The id-based form falls back to the English text rather than formatting garbage.
    EXPECT_EQ(FormatText(202, {3, 9}), "Time: 03:09");
}

TEST(DisplayText, Utf8KeptLatin1Decoded) {
    EXPECT_EQ(DisplayText("plain"), "plain");
    EXPECT_EQ(DisplayText("Caf\xC3\xA9"), "Caf\xC3\xA9");
    EXPECT_EQ(DisplayText("Caf\xE9"), "Caf\xC3\xA9");
    EXPECT_EQ(DisplayText("\xFF"), "\xC3\xBF");
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));          // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));          // cut short
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x8E\xB5"));
}
}  // namespace
