// "driver.lst" lookup on a list of the fuzzer's text for a drive it names.  Input:
// vendor and product, each ended by a NUL; one byte for the size of the name slot; then
// the list.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "scsi/DriverList.h"
#include "support/FuzzInput.h"
#include "support/Require.h"
#include "support/ScratchFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFuzzInput in(data, size);
    const std::string vendor(in.UntilNul());
    // As INQUIRY gives it: 16 characters at most.
    const std::string product(in.UntilNul().substr(0, 16));
    const size_t slot = in.Byte() % (kDriverNameSize + 8);
    const std::string path = WriteScratchFile("driver.lst", in.Rest());

    // The slot sits inside a larger buffer whose tail must stay untouched.
    std::vector<char> buffer(slot + 16, '#');
    std::span<char> name(buffer.data(), slot);
    const int32_t found = LookupDriverName(vendor.c_str(), product.c_str(), name, path);
    REQUIRE(found == 0 || found == 1);
    for (size_t i = slot; i < buffer.size(); ++i) REQUIRE(buffer[i] == '#');
    if (slot > 0) {
        REQUIRE(std::memchr(name.data(), '\0', slot) != nullptr);
        if (found == 0)
            REQUIRE(name[0] == '\0');
    }
    if (product.empty())
        REQUIRE(found == 0);
    return 0;
}
