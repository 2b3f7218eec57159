#pragma once
// The folder the program was started in.  Every settings and data file (language
// files, folder memory, "nml.log", the help and tips files) is found through it, never
// through whatever folder is current later.
#include <string>

// The current working directory without a trailing separator ("/" stays "/"), or ""
// when it cannot be determined.
std::string CaptureStartFolder();

// folder + "/" + name, without doubling the separator after "/".
std::string InFolder(const std::string& folder, const std::string& name);
