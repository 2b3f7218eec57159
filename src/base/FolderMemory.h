#pragma once
// Folder memory: for each kind of file dialog, the folder in which the user last picked
// a file, so the next dialog of that kind opens there.  Each kind is kept in a 256-byte
// slot and persisted as the raw slot in a file of exactly 256 bytes in the start folder
// ("MP3.dir", "MPJ.dir", "PLS.dir", "WAV.dir", and "IMG.dir" for the folder that the
// image recorder writes its discs into).
//
// Our dialogs take a starting folder, so nothing here changes the process's current
// folder.  The folder that a dialog would have found current (the last one entered or
// picked by any dialog, the start folder at first) is kept instead, and used for a kind
// with nothing remembered.
#include <array>
#include <cstdint>
#include <string>

enum class FolderKind : int32_t { kMp3 = 0, kMpj = 1, kPls = 2, kWav = 3, kImage = 4 };

class CFolderMemory {
  public:
    static constexpr size_t kSlotSize = 256;
    static constexpr int32_t kKinds = 5;
    using Slot = std::array<char, kSlotSize>;

    explicit CFolderMemory(std::string startFolder);

    // Empties the slots, then reads each kind's file (up to 256 bytes) into its
    // slot.  A missing or short file leaves the rest of its slot zero.
    void LoadFolderMemory();

    // Just before a dialog of this kind opens: the folder it should open in.  The kind's
    // remembered folder when there is one and it still exists; otherwise the folder the
    // last dialog used.
    std::string EnterFolderMemory(FolderKind kind);

    // After the user confirmed a dialog of this kind: remembers chosenFolder (the folder
    // of the chosen file) in the slot and writes the slot to the kind's file.  A folder
    // that does not fit the slot (255 bytes and a terminator) is not remembered.  A file
    // that cannot be written is ignored; the slot still holds the folder for this run.
    void SaveFolderMemory(FolderKind kind, const std::string& chosenFolder);

    // The remembered folder of a kind, "" when the slot is empty.
    std::string Remembered(FolderKind kind) const;
    const Slot& RawSlot(FolderKind kind) const { return slots_[static_cast<size_t>(kind)]; }
    std::string FileName(FolderKind kind) const;
    const std::string& CurrentFolder() const { return current_; }

  private:
    std::string startFolder_;
    std::string current_;
    std::array<Slot, kKinds> slots_{};
};
