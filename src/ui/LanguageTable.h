#pragma once
// Every text the user sees has a number.  The built-in table holds the English texts;
// a language file (an INI file in "Language/" of the start folder, section "String",
// English text = translation) replaces them when a language other than English is
// chosen.  The choice is kept in "language.set" in the start folder.
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// What the language choice asks of a user interface.
class ILanguageDialog {
  public:
    virtual ~ILanguageDialog() = default;
    // Shows the rows ("English" first, then every language found) with row 0 selected;
    // returns the chosen row, or -1 when the user cancels.
    virtual int32_t RunLanguageDialog(const std::vector<std::string>& rows) = 0;
};

struct CLanguageMenuItem {
    int32_t commandId = 0;  // 0 for the separator
    std::string text;
    bool checked = false;
};

class CLanguageTable {
  public:
    static constexpr size_t kTranslationBufferSize = 2048;
    static constexpr size_t kSlotSize = 128;  // language names and file paths
    static constexpr int32_t kMaxLanguages = 64;
    static constexpr int32_t kMenuFirstId = 15000;
    static constexpr int32_t kMenuEndId = 15200;

    // The English row for the id, or nullptr for an id outside the table.
    static const char* BuiltInText(int32_t id);
    // The main window's tooltip strings (and the tips dialog's), by resource id; nullptr
    // for an unknown id.
    static const char* ResourceString(int32_t id);

    // Translate(BuiltInText(id)); "" for an id outside the table.
    const char* Text(int32_t id);
    // Translate(ResourceString(id)); "" for an unknown id.
    const char* ResourceText(int32_t id);
    // The translation of an English text, or the text itself while English is in use.
    // A translated result lives in a per-thread buffer until the thread's next lookup.
    const char* Translate(const char* english);

    // Where "Language/" and "language.set" are.
    void SetStartFolder(const std::string& folder);

    // Lists the language files of the start folder's "Language" folder.
    void EnumerateLanguages();
    // Reads "language.set"; when there is none, asks with the language dialog (which
    // writes the file when the user confirms).
    void LoadLanguageSetting(ILanguageDialog& dialog);
    // 0 English, k = entry k - 1 of the list; makes it current and writes "language.set".
    // An unknown choice changes nothing (false).
    bool SelectLanguage(int32_t choice);
    // Makes the language with this display name current for this run only, without
    // writing "language.set".  False when there is no such language.
    bool UseLanguageForRun(const std::string& name);

    int32_t LanguageCount() const { return static_cast<int32_t>(languages_.size()); }
    // Name and file of entry index (0 to LanguageCount() - 1); "" outside.
    const char* LanguageName(int32_t index) const;
    const char* LanguageFile(int32_t index) const;
    std::string CurrentName() const;
    std::string CurrentFile() const;

    // The language menu: "English (Default)", a separator, one item per language; the
    // current language carries the check mark.
    std::vector<CLanguageMenuItem> LanguageMenu() const;
    // A command from that menu (ids 15000 up to 15199).  True when the id belongs to the
    // menu; the window then refreshes its texts.
    bool OnLanguageCommand(int32_t commandId);

    // While 0 the built-in English texts are used; 1 while a language file is consulted.
    std::atomic<int32_t> active{0};

  private:
    struct Language {
        std::string name;
        std::string file;
    };
    void MakeCurrent(const std::string& name, const std::string& file);
    std::string SettingPath() const;

    std::string startFolder_ = ".";
    std::vector<Language> languages_;
    mutable std::mutex currentLock_;
    std::string currentName_ = "English";
    std::string currentFile_ = "$$default.ini";
};

// The one process-wide table.
CLanguageTable& LanguageTable();

// Shorthand used throughout the program: LanguageTable().Text(id).
inline const char* Text(int32_t id) {
    return LanguageTable().Text(id);
}
