// tunevarn-cli export-wav SONG OUT.wav: the song as a WAV file of its track length.
#include "cli/CliExportUi.h"
#include "cli/Commands.h"

int RunExportWav(const CCliArgs& args) {
    return RunExport(ExportFormat::kWav, args);
}
