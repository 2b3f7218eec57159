#include "recording/GaplessSetting.h"

#include "base/FileIo.h"
#include "base/StartFolder.h"

namespace {
const char kSettingFile[] = "gapless.set";
}  // namespace

bool LoadGaplessSetting(const std::string& startFolder) {
    CFile file;
    if (!file.OpenForReading(InFolder(startFolder, kSettingFile).c_str()))
        return false;
    char first = 0;
    return file.ReadAt(0, &first, 1) == 1 && first == '1';
}

void SaveGaplessSetting(const std::string& startFolder, bool gapless) {
    const std::string line = gapless ? "1\r\n" : "0\r\n";
    (void)WriteFileReplacing(InFolder(startFolder, kSettingFile), line.data(), line.size());
}
