// The tips file rules: which lines are tips, where the next one is read, and files that
// are missing, empty or unreadable.
#include <gtest/gtest.h>
#include <utime.h>

#include <ctime>
#include <fstream>
#include <map>
#include <string>

#include "support/TestPaths.h"
#include "ui/LanguageTable.h"
#include "ui/TipOfTheDay.h"

namespace {
struct MapStore : ITipStore {
    std::map<std::string, std::string> values;
    int64_t ReadNumber(const char* key, int64_t def) override {
        auto it = values.find(key);
        return it == values.end() ? def : std::stoll(it->second);
    }
    std::string ReadText(const char* key) override {
        auto it = values.find(key);
        return it == values.end() ? "" : it->second;
    }
    void WriteNumber(const char* key, int64_t value) override {
        values[key] = std::to_string(value);
    }
    void WriteText(const char* key, const std::string& value) override { values[key] = value; }
};

void Write(const std::string& folder, const std::string& text, time_t mtime) {
    std::string path = folder + "/tips.txt";
    std::ofstream(path, std::ios::binary) << text;
    struct utimbuf times {
        mtime, mtime
    };
    ::utime(path.c_str(), &times);
}

TEST(TipOfTheDay, TipsSkipCommentsGoRoundAndContinueNextTime) {
    std::string folder = testpaths::TempDir("tips");
    std::string longTip(1500, 'x');
    Write(folder, ";comment\n\tindented\n \n\r\nFirst\r\n" + longTip + "\nLast\n", 1000000000);
    MapStore store;
    {
        CTipOfTheDay tips(store, folder);
        ASSERT_TRUE(tips.HasFile());
        EXPECT_TRUE(tips.ShowAtStartUp());
        EXPECT_EQ(tips.Tip(), "First");
        tips.NextTip();
        EXPECT_EQ(tips.Tip(), std::string(999, 'x'));  // cut, and the rest is no tip
        tips.NextTip();
        EXPECT_EQ(tips.Tip(), "Last");
        tips.NextTip();
        EXPECT_EQ(tips.Tip(), "First");
        EXPECT_FALSE(tips.Trouble());
    }
    // Where the next tip is read was kept, the box untouched until Close.
    EXPECT_EQ(store.values.count("StartUp"), 0u);
    {
        CTipOfTheDay tips(store, folder);
        EXPECT_EQ(tips.Tip(), std::string(999, 'x'));
        tips.SetShowAtStartUp(false);
        tips.StoreShowAtStartUp();
    }
    EXPECT_EQ(store.values["StartUp"], "1");
    {
        CTipOfTheDay tips(store, folder);
        EXPECT_FALSE(tips.ShowAtStartUp());
        EXPECT_EQ(tips.Tip(), "Last");
    }
    // The same file with another modification time starts again.
    Write(folder, ";comment\n\tindented\n \n\r\nFirst\r\n" + longTip + "\nLast\n", 1000000060);
    CTipOfTheDay tips(store, folder);
    EXPECT_EQ(tips.Tip(), "First");
}

TEST(TipOfTheDay, MissingEmptyAndUnreadableFiles) {
    std::string folder = testpaths::TempDir("tips-odd");
    MapStore store;
    {
        CTipOfTheDay tips(store, folder);
        EXPECT_FALSE(tips.HasFile());
        EXPECT_EQ(tips.Tip(), CLanguageTable::ResourceString(109));
    }
    EXPECT_EQ(store.values.count("FilePos"), 0u);

    // Nothing but comments: no tip, and no endless reading.
    Write(folder, "; only\n; comments\n  and blanks\n", 1000000000);
    {
        CTipOfTheDay tips(store, folder);
        EXPECT_TRUE(tips.HasFile());
        EXPECT_EQ(tips.Tip(), "");
        tips.NextTip();
        EXPECT_EQ(tips.Tip(), "");
    }

    // A stored position the file cannot seek to.
    Write(folder, "A tip\n", 1000000000);
    store.values["FilePos"] = "-5";
    CTipOfTheDay tips(store, folder);
    EXPECT_TRUE(tips.Trouble());
    tips.NextTip();
    EXPECT_FALSE(tips.Trouble());
    EXPECT_EQ(tips.Tip(), "A tip");
}

}  // namespace
