// "driver.lst": which driver a drive model gets.
#include <gtest/gtest.h>

#include <array>

#include "scsi/DriverList.h"
#include "support/Mp3Craft.h"
#include "support/TestPaths.h"

namespace {

struct List {
    std::string path;
    explicit List(const std::string& text) {
        path = testpaths::TempDir("drvlst") + "/driver.lst";
        testpaths::WriteText(path, text);
    }
    // The name found, or "-" when none.
    std::string Lookup(const char* product) const {
        std::array<char, 32> name;
        name.fill('x');
        int32_t found = LookupDriverName("VENDOR", product, name, path);
        EXPECT_EQ(name[31], '\0');
        if (found == 0) {
            EXPECT_STREQ(name.data(), "");
            return "-";
        }
        return name.data();
    }
};

TEST(DriverList, ProductOrItsPrefixSelectsTheFirstTokenAndRewritersGetCdTextUnlessListed) {
    List list(
        "; comment line that mentions ABCDEF\r\n"
        "MMCRAW : ABC*\r\n"
        "  TEAC:CD-R55S\r\n"
        "2600 (old writers): writer*\r\n"
        "SONY(x) CDU920S\r\n"
        "MMC2 AB\r\n"
        "FOO: GOOD DRIVE\n"
        "TEAC: CD-RW 9\n");
    EXPECT_EQ(list.Lookup("ABCDEF"), "MMCRAW");   // ABC* after ABCDEF, ABCDE*, ABCD*
    EXPECT_EQ(list.Lookup("ABC"), "MMCRAW");      // contained as such
    EXPECT_EQ(list.Lookup("CD-R55S"), "TEAC");    // leading blanks skipped
    EXPECT_EQ(list.Lookup("Writer 4x"), "2600");  // case ignored; prefix "WRITER*"
    EXPECT_EQ(list.Lookup("CDU920S"), "SONY");    // the token ends at "("
    EXPECT_EQ(list.Lookup("AB"), "MMCRAW");       // "AB" occurs in the line "MMCRAW : ABC*"
    EXPECT_EQ(list.Lookup("ABX"), "-");           // too short for a prefix rule
    EXPECT_EQ(list.Lookup("XYZW"), "-");
    EXPECT_EQ(list.Lookup("WRITEX"), "-");        // WRITE* is not in the list
    EXPECT_EQ(list.Lookup("GOOD DRIVE"), "FOO");  // no driver of ours, still the answer
    // A rewriter gets CD-TEXT unless listed, but only with a list.
    EXPECT_EQ(list.Lookup("CD-RW 9"), "TEAC");
    EXPECT_EQ(list.Lookup("crw4416"), "MMCCDTEXT");
    EXPECT_EQ(list.Lookup("CDR 4"), "-");
    std::array<char, 32> name;
    EXPECT_EQ(LookupDriverName("V", "CD-RW 9", name, "/no/such/driver.lst"), 0);
    EXPECT_STREQ(name.data(), "");
    EXPECT_EQ(LookupDriverName("V", "CD-RW 9", name, testpaths::TempDir("dir")), 0);
}

TEST(DriverList, LongLinesAreCutAndNeverSplitIntoNewLines) {
    // The product occurs only after the 255th character of a 100 000-character line,
    // whose later part starts with what would be a driver name.
    std::string line = "MMC ";
    line += std::string(251, '.');
    line += "TEAC: TARGET DRIVE";
    line += std::string(100000 - line.size(), 'z');
    List list(line + "\nSONY: TARGET DRIVE");  // no line end after the last line
    EXPECT_EQ(list.Lookup("TARGET DRIVE"), "SONY");
    std::string edge = "RIC ";
    edge += std::string(251 - 12, '.');
    edge += "EDGE DRIVE";  // ends exactly at character 253
    edge += std::string(1000, '.');
    List exact(edge + "\n");
    EXPECT_EQ(exact.Lookup("EDGE DRIVE"), "RIC");
}

}  // namespace
