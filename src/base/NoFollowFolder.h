#pragma once
// Reading and writing the files below one folder without ever following a symbolic link
// under it.  Each folder on the way is opened by descriptor, refusing links; a file is
// written beside its name and renamed over it.  So a link planted anywhere below the
// folder (to a file or a folder elsewhere) never redirects a write there.  The folder
// itself may be a link: where it lives is the user's choice.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class CNoFollowFolder {
  public:
    enum class Entry {
        kMissing,   // nothing there (nor a folder on the way)
        kFile,      // a regular file the user can write
        kReadOnly,  // a regular file without write permission for its owner
        kOther,     // a link, a folder, a device... or a link or file on the way
        kFailed,    // it could not be looked at (see Error)
    };

    explicit CNoFollowFolder(const std::string& root);
    ~CNoFollowFolder();
    CNoFollowFolder(const CNoFollowFolder&) = delete;
    CNoFollowFolder& operator=(const CNoFollowFolder&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // errno of the last failure.
    int Error() const { return error_; }

    // What is at rel, a relative path with "/" between its names.  For kOther, inWay
    // (when given) receives the part of rel that is in the way ("Language" for
    // "Language/German.txt" when Language is a link).
    Entry Look(const std::string& rel, std::string* inWay = nullptr);
    // The bytes of the regular file at rel; nullopt when it is none or cannot be read.
    std::optional<std::vector<char>> Read(const std::string& rel);
    // Replaces the file at rel with the bytes, making the folders on the way.  False on
    // failure: inWay then names what is in the way, or is empty and Error tells why.
    bool Write(const std::string& rel, const void* data, size_t n, std::string* inWay = nullptr);

  private:
    // The folder that holds rel's last name, opened; -1 on failure.
    int OpenParent(const std::string& rel, bool make, std::string* inWay, std::string& name);
    bool Fail();

    int fd_ = -1;
    int error_ = 0;
};
