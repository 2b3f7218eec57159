#pragma once
// "driver.lst": the user's list that maps drive models to driver names.  One rule per
// line; a line starting with ";" is a comment.  Otherwise the line's first token (ended
// by a blank, "(" or ":") names the driver, and the drive's product identification,
// or its first k characters (k from its length - 1 down to 3) followed by "*", must
// occur somewhere in the line.  Case is ignored; the first matching line wins.
//
// Lines are cut at their first CR, LF or NUL and after 255 characters (the rest of a
// longer line is dropped, never read as a line of its own); the last line needs no line
// end.  A product with "RW" in it that no line names gets "MMCCDTEXT".  An empty
// product matches no line.
#include <cstdint>
#include <span>
#include <string>

constexpr size_t kDriverListLineLength = 255;
constexpr size_t kDriverNameSize = 32;

// 1 when a driver name was found (written to outName, NUL-terminated, cut to fit), 0
// when not (outName is then the empty string).  A list that cannot be opened gives 0
// without the "RW" rule: the capabilities test then decides.
int32_t LookupDriverName(const char* vendor, const char* product, std::span<char> outName,
                         const std::string& path);
