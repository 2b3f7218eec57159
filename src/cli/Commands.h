#pragma once
// The subcommands of tunevarn-cli.  Each takes its parsed arguments and returns the
// process exit status (CliCommands.h); a wrong argument returns args.Error(...).
class CCliArgs;

int RunList(const CCliArgs& args);
int RunSaveProject(const CCliArgs& args);
int RunExportList(const CCliArgs& args);
int RunExportWav(const CCliArgs& args);
int RunExportRaw(const CCliArgs& args);
int RunAnalyze(const CCliArgs& args);
int RunDrives(const CCliArgs& args);
int RunBurn(const CCliArgs& args);
int RunVerify(const CCliArgs& args);
int RunCover(const CCliArgs& args);
