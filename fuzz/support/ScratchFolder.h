#pragma once
// Files for the APIs that take a path.  Each fuzzing process gets one folder of its own
// (in /dev/shm when there is one, else in the temporary folder), made on first use and
// removed when the process ends; harnesses write their input there once per run.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// The process's folder, without a trailing "/".
const std::string& ScratchFolder();

// ScratchFolder() + "/" + name.
std::string ScratchPath(const std::string& name);

// Replaces the file name (relative to the scratch folder; its folders must exist) with
// the bytes; returns its full path.  Aborts when it cannot: a harness that silently
// tested nothing would look like a clean run.
std::string WriteScratchFile(const std::string& name, std::span<const uint8_t> bytes);
std::string WriteScratchFile(const std::string& name, const std::string& text);

// A file of `size` bytes that starts with `head`, the rest a hole that reads as zeros.
std::string WriteSparseScratchFile(const std::string& name, std::span<const uint8_t> head,
                                   int64_t size);

// Makes a folder (relative to the scratch folder) and returns its full path.
std::string MakeScratchFolder(const std::string& name);
