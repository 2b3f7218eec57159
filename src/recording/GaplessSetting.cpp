#include "recording/GaplessSetting.h"

#include "base/FileIo.h"
#include "base/StartFolder.h"

namespace {
const char kGaplessFile[] = "gapless.set";
const char kVerifyFile[] = "verify.set";

bool LoadBox(const std::string& startFolder, const char* name) {
    CFile file;
    if (!file.OpenForReading(InFolder(startFolder, name).c_str()))
        return false;
    char first = 0;
    return file.ReadAt(0, &first, 1) == 1 && first == '1';
}

void SaveBox(const std::string& startFolder, const char* name, bool on) {
    const std::string line = on ? "1\r\n" : "0\r\n";
    (void)WriteFileReplacing(InFolder(startFolder, name), line.data(), line.size());
}
}  // namespace

bool LoadGaplessSetting(const std::string& startFolder) {
    return LoadBox(startFolder, kGaplessFile);
}

void SaveGaplessSetting(const std::string& startFolder, bool gapless) {
    SaveBox(startFolder, kGaplessFile, gapless);
}

bool LoadVerifySetting(const std::string& startFolder) {
    return LoadBox(startFolder, kVerifyFile);
}

void SaveVerifySetting(const std::string& startFolder, bool verify) {
    SaveBox(startFolder, kVerifyFile, verify);
}
