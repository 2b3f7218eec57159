// Checked formatting of texts that a language may change, and display decoding of byte
// strings.
#include <gtest/gtest.h>

#include <string>

#include "base/DisplayText.h"
#include "ui/LanguageTable.h"
#include "ui/TextFormat.h"

namespace {

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
