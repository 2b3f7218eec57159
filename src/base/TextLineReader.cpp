#include "base/TextLineReader.h"

#include <unistd.h>

#include "base/FileIo.h"

CTextLineReader::CTextLineReader(const std::string& path) {
    // Only regular files: a FIFO or device named in place of a playlist must not hang us.
    CFile file;
    if (!file.OpenForReading(path.c_str()))
        return;
    int fd = file.Release();
    file_.reset(::fdopen(fd, "rb"));
    if (!file_)
        ::close(fd);
}

int CTextLineReader::Next() {
    if (pending_ != -2) {
        int c = pending_;
        pending_ = -2;
        return c;
    }
    return std::getc(file_.get());
}

bool CTextLineReader::ReadLine(std::string& line, size_t maxChars, LongLines mode) {
    line.clear();
    hadNul_ = false;
    if (!file_)
        return false;
    bool any = false;    // something was read for this line, even if only its end
    bool ended = false;  // a NUL ended the text
    for (;;) {
        int c = Next();
        if (c == EOF)
            return any;
        any = true;
        if (c == '\n')
            return true;
        if (c == '\r') {
            int d = Next();
            if (d != '\n' && d != EOF)
                Unget(d);
            return true;
        }
        if (c == '\0') {
            hadNul_ = true;
            ended = true;
        }
        if (ended)
            continue;
        if (line.size() == maxChars) {
            if (mode == LongLines::kSplit) {
                Unget(c);
                return true;
            }
            ended = true;  // cut: drop the rest of the line
            continue;
        }
        line.push_back(static_cast<char>(c));
    }
}
