#pragma once
// The check every command that writes a file makes before writing, in the window and on
// the command line alike: the output may not be one of the files the work reads (a song,
// a playlist, a picture; also through a hard or a symbolic link), and a file already
// there is replaced only when it holds what the command writes.  A slip of the command
// line ("cover a.mp3 b.mp3") or of a save dialog never turns a song into a PDF.
#include <string>
#include <vector>

// What a command writes, as far as a file already there must resemble it.
enum class OutputKind { kProject, kPlaylist, kSongText, kWav, kRawAudio, kPdf };

enum class OutputRefusal {
    kNone,          // may be written
    kIsInput,       // it is one of the files read
    kNotAFile,      // a folder, device, pipe or socket is there
    kOtherContent,  // a file of another kind is there (an MP3 named as a playlist)
};

// inputs: every file the work reads.  A path that does not exist yet is never refused.
OutputRefusal CheckOutputFile(const std::string& out, OutputKind kind,
                              const std::vector<std::string>& inputs);

// One line for the user naming the file and why nothing was written.
std::string OutputRefusalText(const std::string& out, OutputKind kind, OutputRefusal refusal);
