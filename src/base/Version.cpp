#include "base/Version.h"

namespace tunevarn {
const char* VersionText() {
    // The project's version from CMake, so a release changes it in one place.
    return "Tunevarn " TUNEVARN_VERSION;
}
}  // namespace tunevarn
