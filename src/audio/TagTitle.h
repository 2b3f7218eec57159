#pragma once
// The title a song's tags give: the ID3 version 2 tag's (read by libmpg123), else the
// APEv2 tag's, else the ID3 version 1 tag's.  Title and artist join as "title - artist";
// a tag with a title alone gives the title.  Versions 2 and APEv2 give UTF-8; a version
// 1 tag's bytes are taken as they are.
#include <string>

class CFile;
struct CMp3Layout;

// Reads only the tags' bytes of the open file, where its layout says they are.  False
// when no tag gives a title.
bool ReadTagTitle(const CFile& file, const CMp3Layout& layout, std::string& title);
