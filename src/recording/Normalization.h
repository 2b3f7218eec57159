#pragma once
// Normalization: the level analysis that measures each track's peak before a run, and
// the stored default that decides whether the Record dialog starts with it on.  The gain
// itself is applied by the disc image (CDiscImage::GainForPeak, ReadTrackData).
#include <cstdint>
#include <string>

#include "recording/NormalizeQuestion.h"

class CDiscImage;
struct CRecordSession;

// The Record dialog's defaults for the normalization parameters.
constexpr int32_t kDefaultNormalizeTarget = 98;
constexpr int32_t kDefaultNormalizeLower = 90;
constexpr int32_t kDefaultNormalizeHigher = 99;

// Copies the four parameters into the disc, then decodes every track unchanged and
// records its peak (the largest absolute sample, 0 to 32768) over its first
// (track bytes / 4608 - 1) blocks of 4608 bytes.  The tracks are decoded on all cores at
// once, each worker with its own decoder (the disc's own is not used); a song decodes to
// the same audio on any of them, so the peaks are those of one track after the other.
// Shows phase 999 with the first track not yet measured and its per-mille progress.
// Returns 1 when every track was measured, 0 when a stop request ended it (the peaks
// measured so far stay).
int32_t AnalyzeLevels(CRecordSession& state, CDiscImage& disc);

// The normalization default from "nml.log" in the start folder: 4 bytes, a signed
// 32-bit little-endian integer, returned as stored (1 on, 0 off).  When the file is
// missing or shorter than 4 bytes, the question is asked and its answer (1 for index
// 0, else 0) stored for next time; a file that cannot be written leaves the answer good
// for this time only.
int32_t LoadNormalizeDefault(const std::string& startFolder, INormalizeQuestion& question);
