#pragma once
// One MP3 file as a CD audio source: inspection on Open (first frame, whole-second
// duration), decoding to 44100 Hz stereo on Read.
#include <cstdint>
#include <cstdio>

#include "audio/AudioSource.h"

class CMp3Source : public CAudioSource {
public:
    CMp3Source();
    ~CMp3Source() override;
    CMp3Source(const CMp3Source&) = delete;
    CMp3Source& operator=(const CMp3Source&) = delete;

    // 0 success, -1 the file cannot be opened, -2 no acceptable first frame.
    int32_t Open(const char* path) override;
    int32_t Read(void* buffer, int32_t n) override;
    void Close() override;
    int32_t Duration() override { return duration; }

    // Results of inspection (implementation fields are added by the decoder's owner).
    bool mono = false;
    int32_t sampleRate = 44100;  // one of 44100, 48000, 32000, 24000, 22050, 16000, 11025
    int32_t bitRate = 0;
    int32_t duration = 0;
};

// Title "%s - %s" (title, artist) from an ID3 version 1 tag; false without one.
// out receives at most outSize - 1 characters (63 for the documented 64-byte slot).
bool ReadId3Title(const char* path, char* out, size_t outSize = 64);
