#pragma once
// Titles and paths are byte strings as the files give them.  For display they are read
// as UTF-8, falling back to Latin-1 (the usual ID3 version 1 encoding) when the bytes
// are not valid UTF-8.
#include <string>
#include <string_view>

bool IsValidUtf8(std::string_view bytes);

// How many leading bytes of text to keep so that it fits max bytes: all of it when it
// fits, else max, moved back to a character boundary when the text is UTF-8.
size_t CutLength(std::string_view text, size_t max);

// UTF-8 text for display: the bytes themselves when valid UTF-8, else Latin-1 decoded.
std::string DisplayText(std::string_view bytes);
// UTF-8 of ISO 8859-1 bytes, whatever they look like.
std::string Latin1ToUtf8(std::string_view bytes);
