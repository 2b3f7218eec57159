#pragma once
// Where tests find generated fixtures, the source tree and the built CLI.
#include <string>

namespace testpaths {
std::string Fixture(const std::string& name);  // file in the generated fixture folder
std::string SourceDir();
std::string BinaryDir();
std::string Cli();  // path of tunevarn-cli
// A fresh, empty folder for one test; removed again at process exit.
std::string TempDir(const std::string& tag);
}  // namespace testpaths
