#pragma once
// The bus description file of the virtual recorder: several virtual devices, one
// "[device]" section each, in bus order.  Lines are "name = value"; "#" starts a comment.
//
//   [device]
//   vendor = TUNEVARN          # INQUIRY strings: at most 8, 16 and 4 characters
//   product = VIRTUAL CD-RW
//   revision = 1.0
//   type = cd                  # cd, or disk for a hard disk on the bus
//   writes-cdr = yes           # what the capabilities page reports
//   cd-text = yes              # whether it can write CD-TEXT in the lead-in
//   model = mmc                # how it writes: mmc, mmc-raw, mmc2, tao, 2600, ric,
//                              # sony or teac
//   block-types = 1 3          # mmc-raw: the raw data block types it takes (1, 2, 3)
//   disc = blank               # blank, written or none
//   lead-in = 97:24:00         # lead-in start that a blank disc reports
//   recorded = 336000          # blocks on a written disc
//   image = /f/disc-1.cue      # a written disc that is an image a drive left: it reads
//                              # back as that image (its tracks, its audio)
//   read-offset = 0            # samples by which reading lies later on the disc than
//                              # asked (negative: earlier), as a real drive's offset
//   damage = 20000 75          # blocks from this address (and how many, 1 when left
//                              # out) read back altered, as a scratched area; repeatable
//   buffer = 4194304           # drive buffer in bytes
//   speed = 8                  # highest write speed, a multiple of 1x
//   max-transfer = 65536       # bytes per command that the path takes
//   real-time = no             # yes: writes take as long as at the write speed
//   bufe = yes                 # buffer underrun free recording: an empty buffer
//                              # pauses the disc (real time) instead of losing it
//   output = /some/folder      # where the device writes its command log and images
//   fault = 2A 3 2/04/08 5     # operation code, n-th time, what happens, how often
//   reply = 5A 00 2A : 00 0A   # answer commands starting so with these bytes
//
// A fault's "what happens" is a sense key/ASC/ASCQ in hexadecimal, "transport" (the
// command never completes), "busy", "no-sense" (CHECK CONDITION without sense data) or
// "time-out"; "how often" is a count (1 when left out) or "*" for every time from then
// on.  Devices without "output" use the folder of the simple configuration, if any.
// A written disc reads back (READ TOC, READ CD, READ SUB-CHANNEL) from the image its write
// left, until the next disc is loaded: with "image", from that image, on every load.
// A model's write sequence is described with its class (see CVirtualCommandSet);
// "block-types" may name no type at all, for a raw drive that takes none.
#include <string>
#include <string_view>
#include <vector>

#include "virtualdrive/VirtualDevice.h"
#include "virtualdrive/VirtualDeviceConfig.h"

constexpr size_t kMaxBusDescriptionBytes = 1 << 20;
constexpr size_t kMaxBusDescriptionDevices = 64;

// Parses a description; false with a message naming the line when it cannot be used.
bool ParseVirtualBusDescription(std::string_view text, const std::string& defaultOutput,
                                std::vector<CVirtualDevice::Config>& devices, std::string& error);

// Reads and parses a description file (a regular file of at most 1 MiB).
bool LoadVirtualBusDescription(const std::string& path, const std::string& defaultOutput,
                               std::vector<CVirtualDevice::Config>& devices, std::string& error);
