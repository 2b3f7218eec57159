#pragma once
// A file written in pieces that replaces its target only when every byte is on disk: the
// bytes go to a temporary file beside the target, which Commit flushes and renames over
// it.  Any failure, or destruction without Commit, removes the temporary file and leaves
// the target as it was, so a failed write never leaves a file that looks complete.  A
// target that is a symbolic link is written through: the file it names is replaced and
// the link stays.
#include <cstddef>
#include <string>

class CReplacingFile {
  public:
    CReplacingFile() = default;
    ~CReplacingFile() { Abandon(); }
    CReplacingFile(const CReplacingFile&) = delete;
    CReplacingFile& operator=(const CReplacingFile&) = delete;

    // Creates the temporary file in the folder of the file the target names (a folder,
    // or a file its name does not fit, is refused); false when it cannot be made.
    bool Create(const std::string& target);
    // Appends n bytes; false once anything failed (later writes then do nothing).
    bool Write(const void* data, size_t n);
    // Flushes, closes and renames over the target; false (and nothing replaced) when any
    // step, or any earlier write, failed.
    bool Commit();
    // Closes and removes the temporary file, if there is one.
    void Abandon();

    // errno of the first failure, 0 when none.
    int Error() const { return error_; }

    // The file that Commit replaces: the target, its symbolic links followed.
    const std::string& FinalTarget() const { return target_; }
    // The temporary file's name for a target: "NAME.part-PID-N" beside it, the NAME part
    // shortened so the whole fits nameMax bytes.
    static std::string TemporaryName(const std::string& target, const std::string& unique,
                                     size_t nameMax);

  private:
    bool Fail();

    int fd_ = -1;
    std::string temp_;
    std::string target_;
    int error_ = 0;
};
