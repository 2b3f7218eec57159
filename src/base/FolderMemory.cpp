#include "base/FolderMemory.h"

#include <cstring>

#include "base/FileIo.h"
#include "base/StartFolder.h"

namespace {
constexpr const char* kFileNames[CFolderMemory::kKinds] = {"MP3.dir", "MPJ.dir", "PLS.dir",
                                                           "WAV.dir", "IMG.dir"};
}

CFolderMemory::CFolderMemory(std::string startFolder)
    : startFolder_(std::move(startFolder)), current_(startFolder_) {}

std::string CFolderMemory::FileName(FolderKind kind) const {
    return InFolder(startFolder_, kFileNames[static_cast<size_t>(kind)]);
}

void CFolderMemory::LoadFolderMemory() {
    for (Slot& slot : slots_) slot.fill(0);
    for (int32_t k = 0; k < kKinds; ++k) {
        auto kind = static_cast<FolderKind>(k);
        CFile file;
        if (file.OpenForReading(FileName(kind).c_str()))
            file.ReadAt(0, slots_[static_cast<size_t>(k)].data(), kSlotSize);
    }
}

std::string CFolderMemory::Remembered(FolderKind kind) const {
    const Slot& slot = slots_[static_cast<size_t>(kind)];
    // A slot read from a file may lack a terminator; its text ends at the slot's end.
    return std::string(slot.data(), strnlen(slot.data(), slot.size()));
}

std::string CFolderMemory::EnterFolderMemory(FolderKind kind) {
    std::string folder = Remembered(kind);
    if (!folder.empty() && IsFolder(folder))
        current_ = folder;
    return current_;
}

void CFolderMemory::SaveFolderMemory(FolderKind kind, const std::string& chosenFolder) {
    if (chosenFolder.empty() || chosenFolder.size() >= kSlotSize ||
        chosenFolder.find('\0') != std::string::npos)
        return;
    current_ = chosenFolder;
    // Only the path and its terminator are replaced; the rest of the slot keeps what it
    // held, and the file always carries the whole slot.
    Slot& slot = slots_[static_cast<size_t>(kind)];
    std::memcpy(slot.data(), chosenFolder.data(), chosenFolder.size());
    slot[chosenFolder.size()] = '\0';
    WriteFileReplacing(FileName(kind), slot.data(), slot.size());
}
