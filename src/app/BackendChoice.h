#pragma once
// Which way to the drives this run takes: the Linux SG_IO pass-through, unless the
// virtual recorder is configured through the environment:
//   TUNEVARN_VIRTUAL_RECORDER=FOLDER  one virtual generic MMC recorder with CD-TEXT and
//                                     a blank disc, writing its results into FOLDER;
//   TUNEVARN_VIRTUAL_BUS=FILE         the devices of a bus description file (see
//                                     VirtualBusDescription.h); a folder given by the
//                                     first variable then serves devices without one.
// A configuration that cannot be used gives an empty virtual bus and a problem text,
// never the real drives in its place.
#include <memory>
#include <string>

#include "scsi/ScsiBackend.h"

constexpr const char kVirtualRecorderVariable[] = "TUNEVARN_VIRTUAL_RECORDER";
constexpr const char kVirtualBusVariable[] = "TUNEVARN_VIRTUAL_BUS";

// The backend for these settings (null or "" = not set); problem is "" when all is well.
std::unique_ptr<IScsiBackend> ChooseScsiBackend(const char* virtualFolder, const char* busFile,
                                                std::string& problem);

// The same, with the settings taken from the environment.
std::unique_ptr<IScsiBackend> ChooseScsiBackendFromEnvironment(std::string& problem);
