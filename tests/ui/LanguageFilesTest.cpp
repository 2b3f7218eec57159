// Language files: the limit on their number, the remembered choice, and translation
// through the INI reader with its edge cases.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/Mp3Craft.h"
#include "support/TestPaths.h"
#include "ui/LanguageTable.h"

namespace {
using testpaths::ReadText;
using testpaths::WriteText;
namespace fs = std::filesystem;

struct ScriptedDialog : ILanguageDialog {
    int32_t answer = -1;
    std::vector<std::vector<std::string>> shown;
    int32_t RunLanguageDialog(const std::vector<std::string>& rows) override {
        shown.push_back(rows);
        return answer;
    }
};

class LanguageFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        start = testpaths::TempDir("lang");
        table.SetStartFolder(start);
    }
    std::string Lang(const std::string& file) { return start + "/Language/" + file; }

    std::string start;
    CLanguageTable table;
};

TEST_F(LanguageFiles, AtMostSixtyFourLanguages) {
    for (int i = 0; i < 65; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "l%02d.txt", i);
        WriteText(Lang(name), "[Info]\nLanguage=L" + std::to_string(i) + "\n");
    }
    table.EnumerateLanguages();
    EXPECT_EQ(table.LanguageCount(), 64);
    EXPECT_EQ(table.LanguageMenu().size(), 66u);  // English, separator, 64 languages

    fs::remove_all(start + "/Language");  // no folder at all: only English
    table.EnumerateLanguages();
    EXPECT_EQ(table.LanguageCount(), 0);
    EXPECT_EQ(table.LanguageMenu().size(), 2u);
}

TEST_F(LanguageFiles, FirstStartAsksAndRemembers) {
    WriteText(Lang("de.txt"), "[Info]\nLanguage=Deutsch\n[String]\nMP3 Title=Titel\n");
    table.EnumerateLanguages();
    ScriptedDialog dialog;
    dialog.answer = -1;  // Cancel: English, nothing written, asked again next time
    table.LoadLanguageSetting(dialog);
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0], (std::vector<std::string>{"English", "Deutsch"}));
    EXPECT_FALSE(fs::exists(start + "/language.set"));
    EXPECT_EQ(table.active.load(), 0);

    dialog.answer = 0;
    table.LoadLanguageSetting(dialog);
    EXPECT_EQ(ReadText(start + "/language.set"), "English\n$$default.ini\n");

    dialog.answer = 1;
    fs::remove(start + "/language.set");
    table.LoadLanguageSetting(dialog);
    EXPECT_EQ(ReadText(start + "/language.set"), "Deutsch\n" + Lang("de.txt") + "\n");
    EXPECT_STREQ(table.Translate("MP3 Title"), "Titel");

    // The next start reads the file and does not ask.
    CLanguageTable next;
    next.SetStartFolder(start);
    next.EnumerateLanguages();
    next.LoadLanguageSetting(dialog);
    EXPECT_EQ(dialog.shown.size(), 3u);
    EXPECT_EQ(next.CurrentName(), "Deutsch");
    EXPECT_EQ(next.active.load(), 1);
    EXPECT_STREQ(next.Translate("MP3 Title"), "Titel");
}

TEST_F(LanguageFiles, TranslationLookupRules) {
    std::string huge(3000, 'v');
    WriteText(Lang("xx.txt"),
              "; comment\r\n[Info]\r\nLanguage=Test\r\n[STRING]\r\n"
              "mp3 title = Titel \r\n"
              "Time=\t\r\n"                              // blank: English
              "Full Path=Pfad\r\nFull Path=Zweiter\r\n"  // first key wins
              "&Play=" +
                  huge +
                  "\r\n"
                  "a=b=c\r\n"
                  "[String]\r\nRecord=Not the first section\r\n");
    table.EnumerateLanguages();
    ASSERT_TRUE(table.SelectLanguage(1));
    EXPECT_STREQ(table.Translate("MP3 Title"), "Titel");
    EXPECT_STREQ(table.Translate("Time"), "Time");
    EXPECT_STREQ(table.Translate("Full Path"), "Pfad");
    EXPECT_EQ(std::strlen(table.Translate("&Play")), 2047u);
    EXPECT_STREQ(table.Translate("Record"), "Record");
    EXPECT_STREQ(table.Translate("a=b"), "a=b");  // a key never holds "="
    EXPECT_STREQ(table.Text(700), CLanguageTable::BuiltInText(700));
    EXPECT_STREQ(table.Text(111), "Titel");
    EXPECT_STREQ(table.ResourceText(32792), CLanguageTable::ResourceString(32792));

    // The shared buffer: a second lookup overwrites the first translated text.
    const char* first = table.Translate("MP3 Title");
    table.Translate("Full Path");
    EXPECT_STREQ(first, "Pfad");

    // Read anew for every lookup; a vanished file gives English.
    WriteText(Lang("xx.txt"), "[String]\rMP3 Title=Neu\r");  // CR-only line ends
    EXPECT_STREQ(table.Translate("MP3 Title"), "Neu");
    fs::remove(Lang("xx.txt"));
    EXPECT_STREQ(table.Translate("MP3 Title"), "MP3 Title");
}

TEST(ThreadedLanguage, EachThreadKeepsItsOwnTranslation) {
    std::string start = testpaths::TempDir("lang-threads");
    WriteText(start + "/Language/t.txt",
              "[Info]\nLanguage=T\n[String]\nTime=Zeit\nFull Path=Pfad\n");
    CLanguageTable table;
    table.SetStartFolder(start);
    table.EnumerateLanguages();
    ASSERT_TRUE(table.SelectLanguage(1));
    auto worker = [&](const char* key, const char* expect, bool& ok) {
        ok = true;
        for (int i = 0; i < 200; ++i) {
            const char* got = table.Translate(key);
            std::this_thread::yield();
            ok = ok && std::strcmp(got, expect) == 0;
        }
    };
    bool ok1 = false, ok2 = false;
    std::thread a(worker, "Time", "Zeit", std::ref(ok1));
    std::thread b(worker, "Full Path", "Pfad", std::ref(ok2));
    a.join();
    b.join();
    EXPECT_TRUE(ok1);
    EXPECT_TRUE(ok2);
}
}  // namespace
