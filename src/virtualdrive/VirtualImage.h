#pragma once
// The image a finished real write leaves in a virtual drive's output folder, derived
// only from what the drive received:
//   "disc-N.bin"  the audio from 00:02:00 to the lead-out: 2352-byte blocks of
//                 little-endian samples;
//   "disc-N.sub"  with raw writing, the subchannels of the same blocks, 96 bytes each:
//                 the channels P, Q and R to W one after the other, 12 bytes each, Q's
//                 checksum inverted as on the disc;
//   "disc-N.cdt"  the CD-TEXT packs, 18 bytes each, without a header, when the lead-in
//                 carried any;
//   "disc-N.cue"  the tracks and their indexes, TITLE lines from the CD-TEXT; written
//                 last, so that a cue file means a complete image.
// N is the lowest number that no earlier image uses.  Until Finish the blocks go to part
// files, which Abandon (and destruction) remove: a write given up leaves nothing.
#include <cstdint>
#include <string>
#include <vector>

class CLeadInCdText;

class CVirtualImage {
  public:
    static constexpr int32_t kAudioBlock = 2352;
    static constexpr int32_t kSubchannelBlock = 96;

    struct Index {
        int32_t number = 0;
        int32_t address = 0;
    };
    struct Track {
        int32_t number = 0;
        std::vector<Index> indexes;  // in order; index 1 is always among them
        int32_t Start() const;       // address of index 1
    };

    explicit CVirtualImage(std::string folder);
    ~CVirtualImage();
    CVirtualImage(const CVirtualImage&) = delete;
    CVirtualImage& operator=(const CVirtualImage&) = delete;

    // The next blocks of the program area, in address order from 0; false when they
    // cannot be stored.
    bool AddAudio(const uint8_t* data, size_t bytes);
    // Their subchannels, 96 bytes a block in the layout of the .sub file.
    bool AddSubchannels(const uint8_t* data, size_t bytes);
    // Silence (and, when subchannels are kept, empty subchannels) up to `blocks` blocks:
    // the gaps a drive leaves between tracks.
    bool PadTo(int64_t blocks);
    int64_t AudioBlocks() const { return audioBytes_ / kAudioBlock; }

    // Writes the files for a disc of these tracks whose lead-out follows the last block
    // added; cdText, when not null, gives the packs and titles.  False, with nothing left
    // behind, when they cannot be written.  cuePath is the image's cue file.
    bool Finish(const std::vector<Track>& tracks, const CLeadInCdText* cdText,
                std::string& cuePath);
    // Drops the blocks received so far.
    void Abandon();

    // Whether images can be written into folder: "" when they can, else why not (the
    // system's reason), found by making and removing a file there.
    static std::string FolderProblem(const std::string& folder);

    // The cue file text for an image of base name `name` ("disc-1"); titles[0] is the
    // disc's, titles[t] track t's, "" or missing where there is none.
    static std::string CueText(const std::string& name, const std::vector<Track>& tracks,
                               const std::vector<std::string>& titles);

  private:
    struct PartFile {
        int fd = -1;
        std::string path;
    };
    bool Store(PartFile& file, const char* kind, const uint8_t* data, size_t n);
    bool Close(PartFile& file);
    void Remove(PartFile& file);

    std::string folder_;
    PartFile audio_;
    PartFile subchannels_;
    int64_t audioBytes_ = 0;
    int64_t subchannelBytes_ = 0;
};
