#pragma once
// Where tests find generated fixtures, the source tree and the built CLI.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace testpaths {
std::string Fixture(const std::string& name);  // file in the generated fixture folder
std::string SourceDir();
std::string Cli();  // path of tunevarn-cli
// A fresh, empty folder for one test; removed again at process exit.
std::string TempDir(const std::string& tag);

// A file's bytes as text ("" when it cannot be read); text written as the whole file, its
// folder made first; the lines of a text without their line ends; the names in a folder,
// sorted.
std::string ReadText(const std::filesystem::path& path);
void WriteText(const std::filesystem::path& path, const std::string& text);
std::vector<std::string> Lines(const std::string& text);
bool Contains(const std::string& text, const std::string& part);
std::vector<std::string> FilesIn(const std::string& folder);
// Polls ready() until it holds or limitMs pass; a guard against hanging, not a timing check.
bool WaitUntil(const std::function<bool()>& ready, int limitMs = 30000);
}  // namespace testpaths
