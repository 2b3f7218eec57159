// tunevarn-cli export-raw SONG OUT.bin: the song's track exactly as it goes to the disc.
#include "cli/CliExportUi.h"
#include "cli/Commands.h"

int RunExportRaw(const CCliArgs& args) {
    return RunExport(ExportFormat::kRawTrack, args);
}
