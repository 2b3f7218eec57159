#include "gui/LanguageTranslator.h"

#include <cstring>

#include "gui/QtText.h"
#include "ui/LanguageTable.h"

QString CLanguageTranslator::translate(const char*, const char* sourceText, const char*,
                                       int) const {
    CLanguageTable& table = LanguageTable();
    if (sourceText == nullptr || *sourceText == '\0' || table.active.load() == 0)
        return {};
    const char* translated = table.Translate(sourceText);
    if (translated == nullptr || std::strcmp(translated, sourceText) == 0)
        return {};
    return FromBytes(translated);
}
