#pragma once
// The recorder driver: turns "write this disc image" into SCSI commands for one kind of
// drive.  This base class is the generic MMC disc-at-once driver (names "MMC" and
// "MMCCDTEXT"); the other driver families derive from it and replace some of its
// virtual operations, and every driver shares the fields below.
//
// Three things are kept from the platform these drivers were first written for, where
// they meant something, and mean nothing here; this is the one place that says so.  The
// 26 virtual operations keep a fixed order, slots 0 to 25 with the destructor last: the
// number before each declaration, here and in the derived drivers, names the same
// operation in every driver.  Slots 1 and 2 are reserved and do nothing.  And
// CRecorderDiscovery keeps an ASPI-loaded flag that is always 0: commands go through the
// kernel's SCSI pass-through (SG_IO), never through ASPI.
//
// Results: 0 for success, nonzero for failure (1, or 2 where said).  A failure's
// message is shown where it happens, through ReportError; callers add none.
//
// The disc-at-once write: WriteDisc prepares the drive (write parameters, cue sheet,
// CD-TEXT lead-in, pregap), then drains a 128-slot ring of audio, which a filling thread
// reads ahead from the disc image, into WRITE commands with drive-buffer flow control
// (progress follows the drive's own position where its buffer says), and finally
// flushes the drive's cache and waits until the drive says it has closed the disc: only
// then is the disc complete.  Its commands run on the caller's thread (the
// recording worker); the filling thread touches only the ring and the disc image.
//
// The base class's work lies in files by job: CdrCommandPolicy.cpp (retries, pauses,
// a drive that is gone), CdrRing.cpp (the ring and its filling thread), CdrDiscAtOnce.cpp
// (the write's steps and verdict), CdrFlowControl.cpp (the drive's buffer),
// CdrCdTextLeadIn.cpp, CdrModePages.cpp and CdrCommands.cpp (one command each).
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "disc/TimePosition.h"
#include "drivers/DriverUi.h"

class CScsiTransport;
class CDiscImage;
class CCdTextBuilder;

class CCdrDriver {
  public:
    static constexpr int32_t kRingSlots = 128;
    static constexpr int32_t kBlockLength = 2352;
    static constexpr int32_t kBlocksPerCommand = 64000 / kBlockLength;  // 27
    // Reported by NextWritableAddress when the drive cannot say: no blank disc has it.
    static constexpr int32_t kNoWritableAddress = 404850;
    // ReadBufferCapacity's answer when the drive does not give one.
    static constexpr int32_t kUnknownBufferLength = 513000;
    static constexpr int32_t kLeadInEnd = 450000;    // 100:00:00
    static constexpr int32_t kLeadOutLength = 6750;  // 01:30:00
    static constexpr int32_t kKilobytesPerSpeed = 177;
    static constexpr int32_t kModeSense10Length = 208;
    static constexpr int32_t kModeSense6Extra = 104;
    static constexpr int32_t kPregapBlocks = 150;
    static constexpr int32_t kCdTextBlockLength = 96;
    // A lead-in starts at 90:00:00 at the earliest: no longer lead-in can be real.
    static constexpr int32_t kMaxLeadInLength = kLeadInEnd - 90 * 60 * 75;
    // FillRingSlot's results.
    static constexpr int32_t kRingFull = 1;
    static constexpr int32_t kEndOfImage = 999;
    // What the drivers whose load command can fail say when it does.
    static constexpr char kCannotLoad[] = "Cannot load the disc.";
    // How long a drive may take to close the disc after its last block (the lead-out and
    // the table of contents, or track at once the whole session) before the run gives up
    // waiting and says the disc may be incomplete: five minutes, in seconds.
    static constexpr int32_t kClosingSeconds = 300;
    // Once the user has stopped, what is left of the run's waits for a drive still busy
    // with its last blocks, in all: Stop ends the run within a few seconds whatever the
    // drive does.
    static constexpr int32_t kGraceAfterStopMs = 1000;

    CCdrDriver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui);
    CCdrDriver(const CCdrDriver&) = delete;
    CCdrDriver& operator=(const CCdrDriver&) = delete;

    // ---- the virtual operations, in slot order ----
    /* 0 */ virtual int32_t SetBlockLength(int32_t length);
    /* 1 */ virtual void Reserved1();
    /* 2 */ virtual void Reserved2();
    /* 3 */ virtual void WriteDisc(void* context, std::atomic<int32_t>& permille,
                                   std::atomic<int32_t>& phase, const std::atomic<int32_t>& stop,
                                   std::atomic<int32_t>& track);
    /* 4 */ virtual int32_t SendCueSheet();
    /* 5 */ virtual int32_t FinishDisc();
    /* 6 */ virtual int32_t FlushCache();
    /* 7 */ virtual int32_t StartWrite();
    /* 8 */ virtual int32_t InitWrite();
    /* 9 */ virtual int32_t WriteSilence(int32_t& address, int32_t count);
    /* 10 */ virtual int32_t WriteBlocks(int32_t& address, const uint8_t* data, int32_t count);
    /* 11 */ virtual int32_t NextWritableAddress();
    /* 12 */ virtual int32_t CheckBlankDisc();
    /* 13 */ virtual int32_t SetWriteParameters();
    /* 14 */ virtual int32_t ModeSelect10(std::span<const uint8_t> page);
    /* 15 */ virtual int32_t ModeSense10(int32_t pageCode, std::span<uint8_t> buffer);
    /* 16 */ virtual int32_t ReadCapacity(int32_t& blocks);
    /* 17 */ virtual int32_t Rezero();
    /* 18 */ virtual int32_t PreventRemoval(int32_t on);
    /* 19 */ virtual int32_t TestUnitReady();
    /* 20 */ virtual int32_t SetSpeed(int32_t ignored, int32_t factor);
    /* 21 */ virtual int32_t LoadUnload(int32_t load);
    /* 22 */ virtual int32_t StartStopUnit(int32_t start);
    /* 23 */ virtual int32_t PerformOpc();
    /* 24 */ virtual int32_t ModeSelect6(std::span<const uint8_t> page,
                                         const std::array<uint8_t, 4>* header,
                                         const std::array<uint8_t, 8>* blockDescriptor);
    /* 25 */ virtual ~CCdrDriver();

    // ---- shared operations ----
    const char* Vendor() const;
    const char* Product() const;
    const char* Revision() const;
    int32_t LastCommandSucceeded() const;
    // Polls TEST UNIT READY once a second until the drive is ready, giving up after
    // `seconds` waits; the drive may still be busy afterwards.
    void WaitReady(int32_t seconds);
    // READ BUFFER CAPACITY: the drive buffer's length and free bytes (513000 and 0 when
    // the drive does not answer).  Returns the transport's result.
    int32_t ReadBufferCapacity(int32_t& length, int32_t& free);
    // The vendor query of lead-in and lead-out lengths (two vendor drivers use it).
    int32_t ReadLeadLengths();
    int32_t ModeSense6(int32_t pageCode, std::span<uint8_t> buffer, std::array<uint8_t, 4>* header,
                       std::array<uint8_t, 8>* blockDescriptor);
    // The ring: FillRingSlot reads one slot's worth from the disc image into the slot at
    // the write index: 0, kRingFull (nothing read) or kEndOfImage (the image gave no
    // bytes).  TakeRingSlot copies the oldest slot into the staging buffer and returns it
    // with its byte count, or null when the ring is empty; AdvanceRing releases it.
    int32_t FillRingSlot();
    uint8_t* TakeRingSlot(int32_t& byteCount);
    void AdvanceRing();
    // The CD-TEXT pack groups over the whole lead-in: 0 or 1.
    int32_t WriteCdTextLeadIn();

    // Where WriteCdTextLeadIn takes the pack groups from: the builder the Record dialog
    // filled for this run (null: none).
    void SetCdTextSource(const CCdTextBuilder* builder) { cdText_ = builder; }
    // 1 when the last WriteDisc sent the whole disc, the drive took what finishes it (the
    // cache flush, the session closed) and then said it was ready again; else 0.
    int32_t DiscCompleted() const { return discCompleted_.load(); }
    // 1 when the last WriteDisc sent the whole disc and the drive took what finishes it,
    // but never said it was done closing it (it vanished, stayed busy for longer than
    // kClosingSeconds, or the user stopped the wait): the disc may be incomplete.
    int32_t ClosingUnconfirmed() const { return closingUnconfirmed_.load(); }
    // How often the last write let the drive pause with an empty buffer (buffer underrun
    // protection) instead of abandoning the disc.
    int32_t UnderrunProtections() const { return underrunProtections_.load(); }

    // Why the last CheckBlankDisc failed, for the message the recording worker shows.
    enum class BlankCheck : int32_t { kBlank = 0, kUnreadable = 1, kNoDisc = 2, kNotBlank = 3 };
    BlankCheck LastBlankCheck() const { return blankCheck_; }
    // The worker's message for a failed blank check.
    static const char* BlankCheckMessage(BlankCheck reason);

    // Shows text to the user and returns once it was acknowledged.  While the drive is
    // gone (see DriveGone) the text only goes to the trace: the user was told once why
    // everything fails.
    void ReportError(const std::string& text);
    // The last command found no drive, or none that answered in time; the user has been
    // told.  Cleared by the next command the drive answers.
    bool DriveGone() const { return driveGone_; }
    // The diagnostic channel.
    void Trace(const std::string& line);

    // How the driver waits; tests replace it to run without real delays.
    void SetSleep(std::function<void(int32_t milliseconds)> sleep) { sleep_ = std::move(sleep); }
    // Called by the filling thread after each slot it filled; tests slow the filler with
    // it.  Set before WriteDisc.
    void SetFillerHook(std::function<void()> hook) { fillerHook_ = std::move(hook); }

    // ---- fields shared by every driver, in order ----
    std::atomic<int32_t> test{0};  // 1 = simulation; set by the Record dialog before a run
    CScsiTransport& transport;
    CDiscImage& discImage;
    int32_t leadInLength = 0;
    int32_t leadOutLength = 0;
    CTimePosition leadInStart;
    int32_t speed = 0;
    std::vector<uint8_t> silenceBuffer;
    int32_t blockLength = kBlockLength;
    int32_t blocksPerCommand = kBlocksPerCommand;
    std::vector<uint8_t> ring;
    std::vector<uint8_t> stagingBuffer;
    std::array<std::atomic<int32_t>, kRingSlots> slotByteCounts{};
    int32_t nextAddress = 0;
    std::atomic<int32_t> ringReadIndex{0};
    std::atomic<int32_t> ringWriteIndex{0};
    // Shared with the filling thread: it has not finished yet; no further slots will be
    // filled (set by the thread at the image's end, or by the writer to stop it).  Kept
    // per driver rather than process-wide: one write runs at a time either way.
    std::atomic<int32_t> fillerRunning{0};
    std::atomic<int32_t> endOfData{0};

    // What the virtual and the real drives' capabilities page (0x2A) says, asked quietly.
    struct Capabilities {
        bool known = false;
        bool writesCdText = false;        // R-W subchannels in the lead-in
        bool underrunProtection = false;  // BUF: buffer underrun free recording
    };
    Capabilities ReadDriveCapabilities();

  protected:
    // Sends a command: the transport's result.  A BUSY drive gets a few more tries with
    // a growing pause; a drive that is gone is reported once (see DriveGone).
    int32_t Command(std::span<const uint8_t> cdb, const void* dataOut, int32_t dataOutLength,
                    void* dataIn, int32_t dataInLength);
    // Command, sent again while the drive says it is still busy with earlier work (not
    // ready: long write in progress, operation in progress, becoming ready), for about a
    // minute; less once the user has stopped.
    int32_t CommandWhileBecomingReady(std::span<const uint8_t> cdb, const void* dataOut,
                                      int32_t dataOutLength, void* dataIn, int32_t dataInLength);
    // Waits milliseconds; false (at once) when the drive is gone, or when a stop came
    // and stoppedBefore says there was none when the waiting began.  A wait that began
    // after the stop takes from the run's kGraceAfterStopMs, and is refused once that is
    // spent.
    bool Pause(int32_t milliseconds, bool stoppedBefore);
    // WaitReady's loop: true once the drive is ready.  Ends at once when the drive is
    // gone or the user stops meanwhile; after a stop it grants the drive a few seconds.
    bool WaitUntilReady(int32_t seconds);
    // SYNCHRONIZE CACHE at the end of a write, with the user told when the drive refused
    // it: 1 when the drive took it, else 0.
    int32_t FlushAndCheck();
    // The songs of blocks (lead-out start from the disc's start, 2-second pregaps
    // included) against the last lead-out start the blank disc allows: true when they
    // fit or the disc did not say, else false with both times shown.
    bool DiscHolds(int32_t leadOutStart);
    // The wait at the end of a write while the drive closes the disc: TEST UNIT READY
    // until it is ready, for at most kClosingSeconds, ended by a stop or a drive that is
    // gone.  Whether the drive said it was done is kept for the run's verdict.
    void WaitForClosing();
    // The run's verdict once the driver's finishing step is over: completed when the
    // whole disc went out (wholeDisc) and was finished and its closing confirmed.  A
    // disc that went out whole but was never confirmed closed is reported as perhaps
    // incomplete (not after a stop: the user knows why).
    void SettleVerdict(bool wholeDisc, bool finished);
    // Waits, before the flush that ends a track or the disc, while the drive still
    // writes what its buffer holds, showing where the disc has got to (the address of
    // the next block the drive will write) through show.  Only for a drive that answered
    // READ BUFFER CAPACITY during this write; it ends at once when the buffer is empty,
    // does not drain, or the user stops.
    void WaitForDriveToEmpty(const std::function<void(int32_t)>& show);
    // Where the drive has got to when blocks up to `sent` (exclusive) were sent: the
    // address less what the drive's buffer held at the last look.
    int32_t DrivePosition(int32_t sent) const;
    // Progress in per mille of the whole disc when the drive has written the blocks
    // before address, and the image's track that address lies in.
    int32_t PermilleAt(int32_t address) const;
    int32_t TrackAt(int32_t address) const;
    // A WRITE failed with sense data: the message for it, the advice for an underrun
    // when the drive lost streaming, else text.
    std::string WriteFailureText(const char* text) const;
    // With CD-TEXT in use, a drive whose capabilities page says it cannot write it is
    // refused before anything is written: true when the write may go on.
    bool CdTextWritable(const Capabilities& capabilities);
    // Buffer underrun protection for this write: the drive pauses with an empty buffer.
    void SetUnderrunProtection(bool on) { underrunProtection_ = on; }
    // Sense key of the last CHECK CONDITION (byte 2, low four bits).
    int32_t SenseKey() const;
    // The last command was refused as ILLEGAL REQUEST for a field of its CDB or its
    // parameter list: the drive does not do what it asked.
    bool LastCommandRefusedField() const;
    // A zeroed silence buffer of one ring slot (blocks per command × block length).
    void ReplaceSilenceBuffer();
    // The mode page of a MODE SENSE reply, when the header says there is one and it
    // starts at start: 0 copied, 2 larger than buffer (tooLarge shown), 1 none (missing
    // shown).
    int32_t TakeModePage(std::span<const uint8_t> reply, bool present, size_t start,
                         std::span<uint8_t> buffer, const char* tooLarge, const char* missing);
    // Blocks of blockBytes that one command may carry: blocks per command, fewer when
    // the path to the drive takes less.
    int32_t CommandBlocks(int32_t blockBytes) const;
    // Blocks of blockBytes that fill a command as far as the path to the drive and 64 KiB
    // allow (at least 1): the vendor drivers size their commands and ring slots so.
    int32_t BlocksPerPathCommand(int32_t blockBytes) const;
    bool StopRequested() const { return stop_ != nullptr && stop_->load() != 0; }
    // Set for the time of a write that does not go through the base WriteDisc.
    void SetStopFlag(const std::atomic<int32_t>* stop) { stop_ = stop; }
    // A write begins: its stop flag, and nothing left over from the last one.
    void BeginRun(const std::atomic<int32_t>& stop);
    bool RingEmpty() const;
    // Waits while the ring is empty but the drive still has audio in its buffer: true
    // when there is something to do again (a slot, the filler done, a stop), false when
    // the drive ran dry too.  fillerDone says that no further slot will come.
    bool WaitForFiller(const std::function<bool()>& fillerDone);
    // The test hook after each slot a filling thread filled.
    void AfterSlotFilled() {
        if (fillerHook_)
            fillerHook_();
    }
    // The write parameters page for session-at-once: page byte 3 as given, or, without
    // one, with its multi-session bits cleared.  0, or 1 with the message shown.
    int32_t SetSessionAtOnceParameters(int32_t byte3);
    void ReleaseBuffers();
    // FinishDisc of a drive that finishes the disc itself after its last block: waits
    // until it is ready and releases the buffers.  Nothing is flushed, so the disc is
    // complete when every write went through.  0.
    int32_t FinishWithoutFlush();
    // The loop of every driver's WRITE commands: count blocks from address, in commands
    // of at most `most` blocks.  send(at, n, done) sends the n blocks at address at, done
    // blocks into the run: 0 goes on past them, anything else ends the loop with 1.
    // address follows the blocks sent.  0 once all went out.
    using ChunkSender = std::function<int32_t(int32_t at, int32_t n, int32_t done)>;
    int32_t WriteInChunks(int32_t& address, int32_t count, int32_t most, const ChunkSender& send);
    // A vendor's load or eject command: 0, or 1 with kCannotLoad shown when a load failed
    // (the run ends there, and nothing else would say why).
    int32_t LoadCommand(std::span<const uint8_t> cdb, int32_t load);

    // 1 when the cache flush that ends a write was taken by the drive (and whatever
    // else the driver's FinishDisc must have done before it went well).
    int32_t flushSucceeded_ = 0;

  private:
    void FillerThread();
    // Flow control before a WRITE of blocks at address: 0 when the drive has room (or
    // flow control was given up), 1 when a stop was requested meanwhile.
    int32_t WaitForDriveRoom(int32_t address, int32_t blocks);
    // What the drive's buffer held at a look before the WRITE at address.
    void NoteDriveBuffer(int32_t address, int32_t length, int32_t free);

    IDriverUi& ui_;
    std::function<void(int32_t)> sleep_;
    std::function<void()> fillerHook_;
    const CCdTextBuilder* cdText_ = nullptr;
    std::array<int32_t, kRingSlots> slotTracks_{};  // the image's track where a slot starts
    std::array<uint8_t, kBlocksPerCommand * kCdTextBlockLength> cdTextTransfer_{};
    std::thread filler_;
    const std::atomic<int32_t>* stop_ = nullptr;
    bool flowControl_ = true;
    int32_t lastWriteSucceeded_ = 0;
    std::atomic<int32_t> discCompleted_{0};
    bool driveGone_ = false;
    // A ready wait of this write ended on a stop: the later ones do not wait again.
    bool readyWaitsCut_ = false;
    // What is left of kGraceAfterStopMs for this run's waits after a stop.
    int32_t graceLeftMs_ = kGraceAfterStopMs;
    bool closingConfirmed_ = false;
    std::atomic<int32_t> closingUnconfirmed_{0};
    // The drive answered READ BUFFER CAPACITY in this write, and where the disc had got
    // to at the last answer (-1 before one).
    bool bufferAnswered_ = false;
    int32_t drivePosition_ = -1;
    // A message was shown since the write began.
    bool reportedInRun_ = false;
    bool underrunProtection_ = false;
    std::atomic<int32_t> underrunProtections_{0};
    BlankCheck blankCheck_ = BlankCheck::kBlank;
    // The last lead-out start a blank disc allows, as a block address from 00:00:00
    // (-1 when the disc did not say).
    int32_t lastLeadOutStart_ = -1;
};
