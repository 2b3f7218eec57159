#pragma once
// Reading line-oriented text files the way every reader of this program does: a line
// ends at CR LF, LF or a lone CR; a NUL ends a line's text (the rest up to the line end
// is ignored); lines longer than a limit are either split into several lines or cut
// with the rest dropped.  Reading is buffered and needs no more memory than one line,
// whatever the file holds.
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

class CTextLineReader {
  public:
    enum class LongLines { kSplit, kCut };

    explicit CTextLineReader(const std::string& path);
    bool IsOpen() const { return file_ != nullptr; }

    // The next line, without its line end.  False at the end of the file.
    bool ReadLine(std::string& line, size_t maxChars, LongLines mode);
    // Whether a NUL cut the text of the line read last: a list's reader skips such a
    // line rather than take what stands before the NUL for a file's name.
    bool LineHadNul() const { return hadNul_; }

  private:
    int Next();  // next byte or EOF
    void Unget(int c) { pending_ = c; }

    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    int pending_ = -2;  // -2: nothing pushed back
    bool hadNul_ = false;
};
