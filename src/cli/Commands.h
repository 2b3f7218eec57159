#pragma once
// The subcommands of tunevarn-cli.  Each takes its own arguments (without the command
// name) and returns the process exit status.
#include <string>
#include <vector>

int RunList(const std::vector<std::string>& args);
int RunSaveProject(const std::vector<std::string>& args);
int RunExportList(const std::vector<std::string>& args);
int RunExportWav(const std::vector<std::string>& args);
int RunExportRaw(const std::vector<std::string>& args);
int RunAnalyze(const std::vector<std::string>& args);
int RunDrives(const std::vector<std::string>& args);
int RunBurn(const std::vector<std::string>& args);
int RunCover(const std::vector<std::string>& args);

// Usage text on stderr; exit status 2.
int Usage();
