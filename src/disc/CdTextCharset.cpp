#include "disc/CdTextCharset.h"

#include <unicode/translit.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <memory>
#include <mutex>

#include "base/DisplayText.h"

namespace {
using icu::Transliterator;
using icu::UnicodeString;

// One transliterator for the whole program: making it reads ICU's rules, which takes
// far longer than using it.  Calls are serialised, since ICU does not promise that one
// instance may be used by two threads at once.
class CSharedTransliterator {
  public:
    explicit CSharedTransliterator(const char* id) {
        UErrorCode status = U_ZERO_ERROR;
        UParseError where{};
        transliterator_.reset(Transliterator::createInstance(UnicodeString::fromUTF8(id),
                                                             UTRANS_FORWARD, where, status));
        if (U_FAILURE(status))
            transliterator_.reset();
    }
    // Without ICU's data the text stays as it is; the callers mark what is left.
    void Apply(UnicodeString& text) {
        std::lock_guard lock(mutex_);
        if (transliterator_)
            transliterator_->transliterate(text);
    }

  private:
    std::mutex mutex_;
    std::unique_ptr<Transliterator> transliterator_;
};

// Latin letters for every script, but only where Latin-1 has no letter of its own.
CSharedTransliterator& ToLatin() {
    static CSharedTransliterator shared(
        "[^\\u0000-\\u00FF] Any-Latin; [^\\u0000-\\u00FF] Latin-ASCII");
    return shared;
}

CSharedTransliterator& ToAscii() {
    static CSharedTransliterator shared("Any-Latin; Latin-ASCII");
    return shared;
}

CSharedTransliterator& ToFullWidth() {
    static CSharedTransliterator shared("Halfwidth-Fullwidth");
    return shared;
}

UnicodeString Decoded(std::string_view title) {
    if (IsValidUtf8(title))
        return UnicodeString::fromUTF8(
            icu::StringPiece(title.data(), static_cast<int32_t>(title.size())));
    UnicodeString text;
    for (char c : title) text.append(static_cast<UChar>(static_cast<uint8_t>(c)));
    return text;
}

// The characters up to `highest` as single bytes, "?" for every other one.
std::string Bytes(const UnicodeString& text, UChar32 highest) {
    std::string out;
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
        const UChar32 c = text.char32At(i);
        out.push_back(c <= highest ? static_cast<char>(c) : '?');
    }
    return out;
}

bool HasAbove(const UnicodeString& text, UChar32 highest) {
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1))
        if (text.char32At(i) > highest)
            return true;
    return false;
}

bool IsJapaneseCharacter(UChar32 c) {
    return (c >= 0x3040 && c <= 0x30FF) ||  // hiragana and katakana
           (c >= 0x3400 && c <= 0x4DBF) ||  // kanji
           (c >= 0x4E00 && c <= 0x9FFF) ||  //
           (c >= 0xFF66 && c <= 0xFF9F);    // half-width katakana
}

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
}  // namespace

std::string CdTextLatin1(std::string_view title, bool* transliterated) {
    UnicodeString text = Decoded(title);
    const bool beyond = HasAbove(text, 0xFF);
    if (beyond)
        ToLatin().Apply(text);
    if (transliterated != nullptr)
        *transliterated = beyond;
    return Bytes(text, 0xFF);
}

std::string CdTextAscii(std::string_view title) {
    UnicodeString text = Decoded(title);
    if (HasAbove(text, 0x7F))
        ToAscii().Apply(text);
    return Bytes(text, 0x7F);
}

bool IsJapaneseTitle(std::string_view title) {
    if (!IsValidUtf8(title))
        return false;
    const UnicodeString text = Decoded(title);
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1))
        if (IsJapaneseCharacter(text.char32At(i)))
            return true;
    return false;
}

bool CdTextMsJis(std::string_view title, std::string& out) {
    out.clear();
    UnicodeString text = Decoded(title);
    ToFullWidth().Apply(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open("windows-31j", &status));
    if (U_FAILURE(status))
        return false;
    // A character without an MS-JIS form fails the title rather than become "?".
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
    std::string bytes;
    for (int32_t i = 0; i < text.length() && U_SUCCESS(status);) {
        const int32_t next = text.moveIndex32(i, 1);
        char pair[8];
        const int32_t n = ucnv_fromUChars(converter.get(), pair, sizeof pair, text.getBuffer() + i,
                                          next - i, &status);
        // Every character two bytes, or the positions in the packs would be wrong.
        if (U_FAILURE(status) || n != 2)
            return false;
        bytes.append(pair, 2);
        i = next;
    }
    if (U_FAILURE(status))
        return false;
    out = std::move(bytes);
    return true;
}
