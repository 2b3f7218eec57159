#pragma once
// The medium in a virtual drive: blank, written or none, where its lead-in starts, and
// the tracks on it: those of a finished disc, or those of a session that a
// track-at-once write has begun and not yet closed.  Addresses are logical block
// addresses: 00:02:00 is address 0, the lead-in lies below -150.
#include <cstdint>
#include <string>
#include <vector>

#include "virtualdrive/VirtualDeviceConfig.h"

class CVirtualDisc {
  public:
    struct Track {
        int32_t start = 0;  // first block
        int32_t end = 0;    // one past the last block
    };
    // A track-at-once drive leaves two seconds of silence before every track but the
    // first: the pregap of the next track.
    static constexpr int32_t kTrackGap = 150;

    explicit CVirtualDisc(const CVirtualDeviceConfig& config);

    // The user puts the next disc in: a fresh one of the configured kind.
    void Reload();

    CVirtualDiscKind Kind() const { return kind_; }
    // Nothing written on it: a whole disc may be written.
    bool Blank() const { return kind_ == CVirtualDiscKind::kBlank && tracks_.empty(); }
    // Tracks written and the session still open: more tracks may follow.
    bool SessionOpen() const { return kind_ == CVirtualDiscKind::kBlank && !tracks_.empty(); }
    // Where the lead-in starts (a negative address).
    int32_t LeadInStart() const;
    // The latest lead-out start a blank disc allows (an 80-minute CD-R).
    static int32_t LastLeadOut();
    static constexpr int32_t kLastLeadOutMinute = 79;
    static constexpr int32_t kLastLeadOutSecond = 59;
    static constexpr int32_t kLastLeadOutFrame = 74;

    // Where the next track may begin, or the open track go on.
    int32_t NextWritable() const;
    bool TrackOpen() const { return trackOpen_; }
    // Track-at-once: a track begins at start, grows block by block, and is closed.
    void OpenTrack(int32_t start);
    void GrowTrack(int32_t blocks);
    void CloseTrack();
    // A simulated session ends: the disc is as blank as before.
    void ForgetSession();

    // The disc is finished with these tracks and the lead-out where given; image is the
    // cue file of what was recorded ("" when nothing was kept).
    void Finish(std::vector<Track> tracks, int32_t leadOut, std::string image = "");
    // A real write began and did not finish: the disc is no longer blank, whatever was
    // recorded up to `recorded` stays unusable.
    void Spoil(int32_t recorded);

    // The tracks of a written or open disc; a written disc that was never written here
    // reads as one track over its recorded blocks.
    std::vector<Track> Tracks() const;
    int32_t RecordedBlocks() const { return recordedBlocks_; }
    // The cue file of the image that holds this disc's audio, "" when there is none.
    const std::string& Image() const { return image_; }

  private:
    const CVirtualDeviceConfig& config_;
    CVirtualDiscKind kind_;
    int32_t recordedBlocks_;
    std::vector<Track> tracks_;
    bool trackOpen_ = false;
    std::string image_;
};
