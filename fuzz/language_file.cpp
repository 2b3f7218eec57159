// A language file of the fuzzer's text in the start folder's "Language" folder: the
// language list, the menu, and built-in texts looked up and formatted through it.
// Input: the file.
//
// Beyond "no crash": a translation that does not fit its arguments never blanks a
// text; the English one is shown instead.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/FuzzInput.h"
#include "support/Require.h"
#include "support/ScratchFolder.h"
#include "ui/LanguageTable.h"
#include "ui/TextFormat.h"

namespace {
class CNoDialog : public ILanguageDialog {
  public:
    int32_t RunLanguageDialog(const std::vector<std::string>&) override { return -1; }
};

// Arguments that fit an English text: a text for each %s, a number for each %d.
std::vector<CTextArg> ArgumentsFor(const char* english, int32_t number) {
    static const std::string kTexts[] = {"VENDOR", "PRODUCT", "1.0", "A Song"};
    std::vector<CTextArg> args;
    for (const char* p = english; *p != '\0'; ++p) {
        if (*p != '%')
            continue;
        ++p;
        while (*p >= '0' && *p <= '9') ++p;
        if (*p == 's')
            args.emplace_back(kTexts[args.size() % 4]);
        else if (*p == 'd')
            args.emplace_back(number);
        if (*p == '\0')
            break;
    }
    return args;
}

std::string FormatWith(int32_t id, const std::vector<CTextArg>& a) {
    switch (a.size()) {
        case 0:
            return FormatText(id, {});
        case 1:
            return FormatText(id, {a[0]});
        case 2:
            return FormatText(id, {a[0], a[1]});
        case 3:
            return FormatText(id, {a[0], a[1], a[2]});
        case 4:
            return FormatText(id, {a[0], a[1], a[2], a[3]});
        case 5:
            return FormatText(id, {a[0], a[1], a[2], a[3], a[4]});
        case 6:
            return FormatText(id, {a[0], a[1], a[2], a[3], a[4], a[5]});
        default:
            return FormatText(id, {a[0], a[1], a[2], a[3], a[4], a[5], a[6]});
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool made = (MakeScratchFolder("Language"), true);
    (void)made;
    CFuzzInput in(data, size);
    const std::string file = WriteScratchFile("Language/Fuzzed.txt", in.Rest());
    WriteScratchFile("language.set", "Fuzzed\n" + file + "\n");

    CLanguageTable& table = LanguageTable();
    table.SetStartFolder(ScratchFolder());
    table.EnumerateLanguages();
    REQUIRE(table.LanguageCount() <= 1);
    for (const CLanguageMenuItem& item : table.LanguageMenu()) REQUIRE(item.text.size() < 512);
    if (table.LanguageCount() == 1)
        REQUIRE(table.UseLanguageForRun(table.LanguageName(0)));
    CNoDialog dialog;
    table.LoadLanguageSetting(dialog);
    REQUIRE(table.active.load() == 1);

    // The texts with conversions, and a few without (each lookup reads the whole file).
    for (int32_t id : {101, 114, 200, 202, 301, 305, 103, 306, 700, 909}) {
        const char* english = CLanguageTable::BuiltInText(id);
        REQUIRE(english != nullptr);
        REQUIRE(std::string(table.Text(id)).size() < CLanguageTable::kTranslationBufferSize);
        const std::string text = FormatWith(id, ArgumentsFor(english, id - 1000));
        if (*english != '\0')
            REQUIRE(!text.empty());
    }
    for (int32_t id : {108, 32792, 4})
        REQUIRE(std::string(table.ResourceText(id)).size() <
                CLanguageTable::kTranslationBufferSize);
    return 0;
}
