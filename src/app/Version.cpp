#include "app/Version.h"

namespace tunevarn {
const char* VersionText() {
    return "Tunevarn 0.1";
}
}  // namespace tunevarn
