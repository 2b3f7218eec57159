#pragma once
// The characters CD-TEXT can carry.  The first block takes ISO 8859-1, so a title in a
// script Latin-1 lacks would come out as "????": it is written in Latin letters instead
// (ICU's "Any-Latin", then "Latin-ASCII" for the letters Latin-1 does not have), and the
// Latin-1 letters it has stay as they are.  Japanese players also read a block in MS-JIS
// (Shift JIS as Windows has it), where every character takes two bytes.
//
// Titles are byte strings as the files give them: valid UTF-8 is decoded, anything else
// is taken as ISO 8859-1 already (an ID3 version 1 tag, say).
#include <string>
#include <string_view>

// The title in ISO 8859-1; transliterated, when given, says whether any of it had to be
// written in other letters.  What has no Latin form at all (an emoji) becomes "?".
std::string CdTextLatin1(std::string_view title, bool* transliterated = nullptr);

// The title in ASCII letters, for a block that has no room for Latin-1's own.
std::string CdTextAscii(std::string_view title);

// True when the title is written in Japanese: it has kana or kanji.
bool IsJapaneseTitle(std::string_view title);

// The title in MS-JIS double-byte characters, ASCII and half-width kana in their
// full-width forms so that every character is two bytes: false, with out empty, when a
// character has no MS-JIS form.
bool CdTextMsJis(std::string_view title, std::string& out);
