#pragma once
// A file written in pieces that replaces its target only when every byte is on disk: the
// bytes go to a temporary file beside the target, which Commit flushes and renames over
// it.  Any failure, or destruction without Commit, removes the temporary file and leaves
// the target as it was, so a failed write never leaves a file that looks complete.
#include <cstddef>
#include <string>

class CReplacingFile {
  public:
    CReplacingFile() = default;
    ~CReplacingFile() { Abandon(); }
    CReplacingFile(const CReplacingFile&) = delete;
    CReplacingFile& operator=(const CReplacingFile&) = delete;

    // Creates the temporary file in the target's folder; false when it cannot be made.
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

  private:
    bool Fail();

    int fd_ = -1;
    std::string temp_;
    std::string target_;
    int error_ = 0;
};
