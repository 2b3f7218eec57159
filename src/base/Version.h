#pragma once
// The program's name and version as shown to users.
namespace tunevarn {
// The title of the program's own message boxes.
inline constexpr const char kProgramName[] = "Tunevarn";
const char* VersionText();  // "Tunevarn 0.1": the project version CMake is given
}  // namespace tunevarn
