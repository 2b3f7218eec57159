#include "virtualdrive/VirtualTaoModel.h"

#include "base/BigEndian.h"
#include "scsi/MmcCommands.h"
#include "scsi/ScsiStatus.h"
#include "scsi/SpcCommands.h"

using scsistatus::kSenseIllegalRequest;

namespace {
constexpr int32_t kAudioBlockType = 0;
constexpr uint8_t kCloseTrack = 0x01;
constexpr uint8_t kCloseSession = 0x02;
}  // namespace

bool CVirtualTaoModel::Answer(const uint8_t* cdb, const Request& request, CVirtualAnswer& answer) {
    switch (cdb[0]) {
        case spc::kWrite10:
            answer = Write10(cdb, request);
            return true;
        case spc::kSynchronizeCache:
            if (!drive_.MediumMissing(answer))
                CloseTrack();
            return true;
        case mmc::kCloseTrackSession:
            answer = CloseTrackOrSession(cdb);
            return true;
        default:
            return false;
    }
}

uint8_t CVirtualTaoModel::CheckWriteParameters(std::span<const uint8_t> page) const {
    if (page.size() < 5 || (page[2] & 0x0F) != kTrackAtOnce || (page[4] & 0x0F) != kAudioBlockType)
        return scsistatus::kAscInvalidField;
    return 0;
}

void CVirtualTaoModel::Abandon() {
    if (tracks_.empty())
        return;
    // The tracks burnt so far stay on a disc that can no longer be finished here.
    if (test_)
        drive_.disc.ForgetSession();
    else
        drive_.disc.Spoil(drive_.disc.Tracks().back().end);
    if (image_)
        image_->Abandon();
    image_.reset();
    tracks_.clear();
}

CVirtualAnswer CVirtualTaoModel::Write10(const uint8_t* cdb, const Request& request) {
    CVirtualAnswer answer;
    if (drive_.MediumMissing(answer))
        return answer;
    CVirtualDisc& disc = drive_.disc;
    if (disc.Kind() != CVirtualDiscKind::kBlank)
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x30, 0x05);  // cannot write this medium
    if (drive_.WriteType() != kTrackAtOnce)
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x2C, 0x00);
    if (drive_.DataBlockType() != kAudioBlockType)  // illegal mode for this track
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x64, 0x00);
    const auto address = static_cast<int32_t>(bigendian::Get32(&cdb[2]));
    const auto blocks = static_cast<int32_t>(bigendian::Get16(&cdb[7]));
    if (address != disc.NextWritable())  // invalid address for write
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x21, 0x02);
    if (int64_t{address} + blocks > CVirtualDisc::LastLeadOut())
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x21, 0x00);  // past the end of the disc
    if (blocks == 0)
        return answer;
    if (!disc.TrackOpen() && tracks_.size() >= static_cast<size_t>(kMaxTracks))
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x72, 0x05);  // no more tracks
    const uint32_t need = static_cast<uint32_t>(blocks) * CVirtualImage::kAudioBlock;
    if (!SendsAtLeast(request, need))
        return CVirtualAnswer::HostError();

    if (!disc.TrackOpen()) {
        if (tracks_.empty()) {
            test_ = drive_.TestWrite();
            if (!test_ && !drive_.config.outputFolder.empty())
                image_ = std::make_unique<CVirtualImage>(drive_.config.outputFolder);
            drive_.buffer.Begin(drive_.BlocksPerSecond(), drive_.UnderrunFree());
        }
        CVirtualImage::Track track{static_cast<int32_t>(tracks_.size()) + 1, {}};
        if (!tracks_.empty())
            track.indexes.push_back({0, disc.Tracks().back().end});  // the gap: its pregap
        track.indexes.push_back({1, address});
        tracks_.push_back(std::move(track));
        disc.OpenTrack(address);
    }
    if (!drive_.buffer.Accept(blocks, CVirtualImage::kAudioBlock)) {
        Abandon();
        return CVirtualAnswer::Check(0x03, 0x0C, 0x09);  // write error: loss of streaming
    }
    if (image_ && (!image_->PadTo(address) || !image_->AddAudio(request.dataOut, need))) {
        Abandon();
        return CVirtualAnswer::Check(0x03, 0x0C, 0x00);
    }
    disc.GrowTrack(blocks);
    answer.consumed = need;
    return answer;
}

void CVirtualTaoModel::CloseTrack() {
    if (!drive_.disc.TrackOpen())
        return;
    drive_.buffer.Drain();
    drive_.disc.CloseTrack();
}

CVirtualAnswer CVirtualTaoModel::CloseTrackOrSession(const uint8_t* cdb) {
    CVirtualAnswer answer;
    if (drive_.MediumMissing(answer))
        return answer;
    const uint8_t function = cdb[2] & 0x07;
    if (function != kCloseTrack && function != kCloseSession)
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x24, 0x00);
    CloseTrack();
    if (function == kCloseTrack || tracks_.empty())
        return answer;

    // The session closes: lead-in and lead-out go round the tracks written.
    drive_.buffer.EndOfDisc();
    std::vector<CVirtualDisc::Track> extents = drive_.disc.Tracks();
    const int32_t leadOut = extents.back().end;
    std::string cuePath;
    bool finished = true;
    if (image_)
        finished = image_->Finish(tracks_, nullptr, cuePath);
    image_.reset();
    tracks_.clear();
    if (test_)
        drive_.disc.ForgetSession();
    return EndOfWrite(test_, std::move(extents), leadOut, finished, cuePath);
}
