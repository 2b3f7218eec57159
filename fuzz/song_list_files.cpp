// The song list's files: projects, M3U and PLS playlists read from the fuzzer's text,
// with entries that may name the few small MP3 files (and traps) set up beside them.
// Input: one byte for the kind of file, one for where it lies, then its text.
//
// Beyond "no crash": whatever list a file gives, writing it out in the same kind and
// reading that back gives the same list.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "songlist/SongList.h"
#include "songlist/SongListFiles.h"
#include "support/FuzzInput.h"
#include "support/Require.h"
#include "support/ScratchFolder.h"

namespace {
// One frame header followed by zeros: enough for inspection, which is all lists do.
std::vector<uint8_t> Frame(bool mpeg1) {
    if (mpeg1)
        return {0xFF, 0xFB, 0x90, 0x00};  // MPEG-1, 128 kbit/s, 44100 Hz, stereo
    return {0xFF, 0xF3, 0x80, 0xC0};      // MPEG-2, 64 kbit/s, 22050 Hz, mono
}

void MakeSongs() {
    MakeScratchFolder("sub");
    MakeScratchFolder("dir.mp3");
    WriteSparseScratchFile("one.mp3", Frame(true), 16000);
    WriteSparseScratchFile("Two.MP3", Frame(false), 5 * 8000);
    WriteSparseScratchFile("sub/three.mp3", Frame(true), 3 * 16000);
    WriteSparseScratchFile("name with spaces.mp3", Frame(true), 16000);
    WriteSparseScratchFile("latin\xE9.mp3", Frame(true), 2 * 16000);
    WriteSparseScratchFile("long.mp3", Frame(true), int64_t{4000} * 16000);
    WriteScratchFile("nothing.mp3", std::vector<uint8_t>(1000, 0));
    // An ID3 version 1 tag: "TAG", then 30-byte title and artist fields.
    std::vector<uint8_t> tagged = Frame(true);
    tagged.resize(2 * 16000 + 128, 0);
    const std::string title = "Title", artist = "Artist";
    std::copy_n("TAG", 3, tagged.end() - 128);
    std::copy(title.begin(), title.end(), tagged.end() - 125);
    std::copy(artist.begin(), artist.end(), tagged.end() - 95);
    WriteScratchFile("tagged.mp3", tagged);
}

struct CKind {
    const char* extension;
    bool (*read)(CSongList&, const std::string&);
    bool (*write)(const CSongList&, const std::string&);
    // Songs a written file gives back: a PLS spends one of the 100 lines read on its
    // "[playlist]" header.
    int32_t mostBack;
};

bool ReadM3u(CSongList& list, const std::string& path) {
    return ImportM3u(list, path);
}
bool ReadPls(CSongList& list, const std::string& path) {
    return ImportPls(list, path);
}

const CKind kKinds[] = {
    {"mpj", ReadProjectFile, WriteProjectFile, 100},
    {"m3u", ReadM3u, WriteM3uFile, 100},
    {"pls", ReadPls, WritePlsFile, 99},
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool made = (MakeSongs(), true);
    (void)made;
    CFuzzInput in(data, size);
    const CKind& kind = kKinds[in.Byte() % 3];
    const std::string folder = (in.Byte() & 1) != 0 ? "sub/" : "";
    const std::string path = WriteScratchFile(folder + "list." + kind.extension, in.Rest());

    CSongList list;
    REQUIRE(kind.read(list, path));
    REQUIRE(list.RowCount() <= 100 && list.TotalSeconds() <= CSongList::kBudgetSeconds);

    const std::string again = ScratchPath(std::string("again.") + kind.extension);
    REQUIRE(kind.write(list, again));
    CSongList back;
    REQUIRE(kind.read(back, again));
    const int32_t expected = std::min(list.RowCount(), kind.mostBack);
    REQUIRE(back.RowCount() == expected);
    for (int32_t i = 0; i < expected; ++i) {
        REQUIRE(back.FullPath(i) == list.FullPath(i));
        REQUIRE(back.Title(i) == list.Title(i));
        REQUIRE(back.SongDuration(i) == list.SongDuration(i));
    }
    return 0;
}
