#pragma once

#include "tools/render/Files.h"

#include <cstdint>
#include <string>

enum class SampleFormat { float32, pcm16, pcm24 };

// A stereo WAV file written through libsndfile. It appears under its name
// only when commit() succeeds; until then it is a hidden temporary beside it.
class WavWriter {
public:
    WavWriter(const std::string& path, double sampleRate, SampleFormat format);
    ~WavWriter();

    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    void write(const float* interleaved, int64_t frames);
    void commit();

private:
    PendingFile file;
    struct sf_private_tag* sound = nullptr; // libsndfile's SNDFILE
};
