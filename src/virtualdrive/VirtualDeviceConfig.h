#pragma once
// What one virtual device is: its identification, the command set it writes with, the
// disc in it, its buffer and speed, and the failures it is to show on purpose.  Filled
// from a bus description file (see VirtualBusDescription.h) or by a test.
#include <cstdint>
#include <string>
#include <vector>

enum class CVirtualDiscKind : int32_t { kBlank = 0, kWritten = 1, kNone = 2 };

struct CVirtualDeviceConfig {
    // The write sequences the drive takes, one model each (see CVirtualCommandSet):
    //   kMmc          session-at-once with an MMC cue sheet, CD-TEXT in the lead-in;
    //   kMmcRaw       raw blocks with subchannels from the lead-in to the lead-out, of
    //                 the data block types in rawBlockTypes;
    //   kMmc2         as kMmc, for drives that want multi-session "next session allowed"
    //                 and track mode 4 in the write parameters page;
    //   kTrackAtOnce  one track at a time at the next writable address, the session
    //                 closed at the end;
    //   k2600, kRic, kSony, kTeac
    //                 the vendor command sets of those names (see CVirtualVendorModel).
    enum class Model : int32_t {
        kMmc = 0,
        kMmcRaw = 1,
        kMmc2 = 2,
        kTrackAtOnce = 3,
        k2600 = 4,
        kRic = 5,
        kSony = 6,
        kTeac = 7
    };

    // A failure injected on the n-th time (counting from 1) an operation code reaches
    // the device, for `times` commands in a row (-1: from then on, every time).
    struct Fault {
        enum class Kind : int32_t {
            kSense = 0,              // CHECK CONDITION with this sense key, ASC, ASCQ
            kTransport = 1,          // the command never completes (the ioctl fails)
            kBusy = 2,               // status BUSY
            kCheckWithoutSense = 3,  // CHECK CONDITION and no sense bytes at all
            kTimeOut = 4,            // the adapter gives up on the command
        };
        uint8_t operationCode = 0;
        int32_t first = 1;
        int32_t times = 1;
        Kind kind = Kind::kSense;
        uint8_t senseKey = 0;
        uint8_t asc = 0;
        uint8_t ascq = 0;
    };

    // A command whose first bytes equal cdbPrefix is answered GOOD with these bytes
    // (cut to the allocation length): odd or lying replies on demand.
    struct Reply {
        std::vector<uint8_t> cdbPrefix;
        std::vector<uint8_t> data;
    };

    // Blocks that read back altered: count blocks from address.
    struct Damage {
        int32_t address = 0;
        int32_t count = 1;
    };

    std::string vendor = "TUNEVARN";
    std::string product = "VIRTUAL CD-R";
    std::string revision = "1.0";
    bool cdDevice = true;   // false: a hard disk (INQUIRY type 0, no CD pages)
    bool writesCdr = true;  // capabilities page byte 3 bit 0
    bool cdText = true;     // can write CD-TEXT in the lead-in (R-W supported)
    // Buffer underrun free recording (capabilities page byte 4 bit 7): with it enabled
    // in the write parameters, an empty buffer pauses the disc instead of losing it.
    bool bufe = true;
    Model model = Model::kMmc;
    // Raw data block types the drive takes (1: 16-byte P-Q, 2: packed P-W, 3: raw P-W).
    std::vector<int32_t> rawBlockTypes = {1, 2, 3};
    CVirtualDiscKind disc = CVirtualDiscKind::kBlank;
    int32_t leadInMinute = 97;  // lead-in start of a blank disc
    int32_t leadInSecond = 24;
    int32_t leadInFrame = 0;
    int32_t recordedBlocks = 336000;  // on a written disc
    // A written disc that is an image this drive left earlier (its cue file): the disc
    // reads back as that image.  "" for none.
    std::string image;
    // Samples (stereo frames) by which what is read lies later on the disc than asked,
    // as a real drive's read offset; negative: earlier.
    int32_t readOffset = 0;
    std::vector<Damage> damage;
    uint32_t bufferBytes = 4 * 1024 * 1024;
    int32_t maxSpeed = 8;              // highest write speed, as a multiple of 1x
    uint32_t maximumTransfer = 65536;  // bytes per command the path takes
    // Writes in real time at the write speed (see CVirtualDriveBuffer); else as fast as
    // the host sends.
    bool realTime = false;
    std::string outputFolder;  // where the command log and the images go; "" none
    bool commandLog = true;    // false: the images alone go there
    std::vector<Fault> faults;
    std::vector<Reply> replies;
};
