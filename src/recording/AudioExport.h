#pragma once
// Exporting one song as CD audio: a WAV file, or the raw track exactly as it goes to
// the disc.  The audio comes from a one-track disc image, so its length is the song's
// track length (whole seconds x 176400 bytes, silence where the decoder runs short),
// never normalized.  The file is written beside its target and renamed over it only
// when complete.
#include <cstdint>
#include <string>

#include "base/FolderMemory.h"
#include "recording/ExportUi.h"

class CSongList;

enum class ExportFormat { kWav, kRawTrack };

enum class ExportResult {
    kWritten,
    kNoFocus,       // no song has the focus: the user was warned
    kCancelled,     // the user cancelled the save dialog
    kUnreadable,    // the song no longer opens as an MP3 we take: nothing written
    kCreateFailed,  // the output file could not be created
    kWriteFailed,   // writing failed part way: the target is left as it was
    kRefused,       // the output is the song itself (or a link to it), or a file of another
                    // kind: refused, that file kept
    kStopped,       // the user interface asked to stop: the target is left as it was
};

// Writes the song at songPath to outPath.  Failures are shown through ui.ShowMessage.
ExportResult ExportSongFile(ExportFormat format, const std::string& songPath,
                            const std::string& outPath, IExportUi& ui);

// The context-menu commands: the focused song, through the save dialog (opened in the
// remembered "WAV" folder, which is updated when the user confirms).  written, when
// given, receives the path of the file written.
ExportResult ExportWav(const CSongList& list, CFolderMemory& memory, IExportUi& ui,
                       std::string* written = nullptr);
ExportResult ExportRawTrack(const CSongList& list, CFolderMemory& memory, IExportUi& ui,
                            std::string* written = nullptr);

// The name the WAV dialog suggests for a song title: "%s.WAV", with "/" (which cannot
// be part of a file name) turned into "_" and the title cut so the name fits 255 bytes.
std::string SuggestedWavName(const std::string& title);
