#pragma once
// The program's name and version as shown to users.
namespace tunevarn {
const char* VersionText();  // "Tunevarn 0.1": the project version CMake is given
}
