#pragma once

#include "tools/render/Files.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

enum class SampleFormat { float32, pcm16, pcm24 };

class SparseFile;

// The libsndfile format for an output: the container from the file's
// extension (WAV where there is none, as for standard output), the sample
// format as asked or the container's best. Throws UsageError for an
// extension it does not know or a sample format the container cannot hold.
int audioFormatFor(const std::string& path, std::optional<SampleFormat> sample);

// The longest render written, whatever the disk holds.
constexpr double longestRenderSeconds = 24 * 3600.0;

// A stereo sound file written through libsndfile into an OutputFile. The
// size is checked before anything is written: a WAV file that may pass
// 4 GiB is written as RF64 (plain WAV again if it stays smaller), other
// containers that cannot hold it and renders beyond the free space are
// refused. Files are byte-for-byte the same for the same samples (Ogg
// streams aside: libsndfile gives them a random serial number); silence past
// the end of the sound so far takes no disk space.
class AudioWriter {
public:
    // maxFrames bounds the length of the render.
    AudioWriter(const std::string& path, double sampleRate, int format, bool dither, int64_t maxFrames);
    ~AudioWriter();

    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    void write(const float* interleaved, int64_t frames);
    void commit();

    // For integer formats: the samples beyond full scale that had to be
    // clipped, and the largest magnitude seen.
    int64_t clippedSamples() const { return clipped; }
    float peak() const { return loudest; }

private:
    OutputFile file;
    std::unique_ptr<SparseFile> sparse;
    struct sf_private_tag* sound = nullptr; // libsndfile's SNDFILE
    bool integer;
    bool dither;
    std::minstd_rand noise; // fixed seed: the same render gives the same file
    std::vector<float> dithered;
    int64_t clipped = 0;
    float loudest = 0.0f;
};
