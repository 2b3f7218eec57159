#pragma once
// Qt's own texts (the standard buttons of message boxes and button boxes, the file
// dialogs' labels) through the language file, looked up by their English text like the
// program's own texts.  A text the file does not translate stays as Qt has it.
// Installed once for the whole run; dialogs opened after a change of language show it.
#include <QTranslator>

class CLanguageTranslator : public QTranslator {
    Q_OBJECT
  public:
    using QTranslator::QTranslator;
    QString translate(const char* context, const char* sourceText,
                      const char* disambiguation = nullptr, int n = -1) const override;
    bool isEmpty() const override { return false; }
};
