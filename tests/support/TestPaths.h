#pragma once
// Where tests find generated fixtures, the source tree and the built CLI.
#include <string>
#include <vector>

namespace testpaths {
std::string Fixture(const std::string& name);  // file in the generated fixture folder
std::string SourceDir();
std::string BinaryDir();
std::string Cli();  // path of tunevarn-cli
// A fresh, empty folder for one test; removed again at process exit.
std::string TempDir(const std::string& tag);

// A file's bytes as text ("" when it cannot be read); text written as the whole file, its
// folder made first; the lines of a text without their line ends.
std::string ReadText(const std::string& path);
void WriteText(const std::string& path, const std::string& text);
std::vector<std::string> Lines(const std::string& text);
}  // namespace testpaths
