// The INI reader on a file of the fuzzer's text, asked for a section, key and default
// that the fuzzer picks too.  Input: section, key and default, each ended by a NUL; one
// byte for the longest value wanted; then the file.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/Profile.h"
#include "support/FuzzInput.h"
#include "support/Require.h"
#include "support/ScratchFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFuzzInput in(data, size);
    const std::string_view section = in.UntilNul();
    const std::string_view key = in.UntilNul();
    const std::string_view def = in.UntilNul();
    const size_t maxChars = in.Byte() * size_t{9};
    const std::string path = WriteScratchFile("profile.ini", in.Rest());

    const std::string value = ReadProfileString(path, section, key, def, maxChars);
    REQUIRE(value.size() <= maxChars);
    if (key.find_first_of("\r\n=") != std::string_view::npos)
        REQUIRE(value == def.substr(0, maxChars));
    // Values lose their blanks at both ends, and never reach past a line.
    if (value != def.substr(0, maxChars)) {
        REQUIRE(value.find_first_of("\r\n") == std::string::npos);
        REQUIRE(value.empty() || (value.front() != ' ' && value.front() != '\t'));
    }
    return 0;
}
