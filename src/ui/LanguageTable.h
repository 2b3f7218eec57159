#pragma once
// Every text the user sees has a number.  The built-in table holds the English texts;
// Translate replaces them from the active language file when one is chosen.
#include <array>
#include <atomic>
#include <cstdint>
#include <string>

class CLanguageTable {
  public:
    static constexpr size_t kTranslationBufferSize = 2048;

    // The English row for the id, or nullptr for an id outside the table.
    static const char* BuiltInText(int32_t id);

    // Translate(BuiltInText(id)); "" for an id outside the table.
    const char* Text(int32_t id);

    // The translation of an English text, or the text itself while English is in use.
    // A translated result lives in the shared buffer until the next lookup.
    const char* Translate(const char* english);

    // While 0 the built-in English texts are used; 1 while a language file is consulted.
    std::atomic<int32_t> active{0};

  private:
    std::array<char, kTranslationBufferSize> translation_{};
};

// The one process-wide table.
CLanguageTable& LanguageTable();

// Shorthand used throughout the program: LanguageTable().Text(id).
inline const char* Text(int32_t id) {
    return LanguageTable().Text(id);
}
