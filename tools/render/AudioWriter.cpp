#include "tools/render/AudioWriter.h"

#include "tools/render/RenderError.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iomanip>
#include <map>
#include <sstream>

#include <cerrno>
#include <cstring>

#include <sys/statvfs.h>
#include <unistd.h>

namespace {

constexpr int channels = 2;
// WAV and AIFF count their sizes in 32 bits; room is left for the header.
constexpr uint64_t largestClassicFile = 0xffffffffull - 65536;

struct Container {
    int type;
    const char* name;
    int defaultSample; // 0: the container has no choice of sample format
    bool sized; // 32-bit sizes
};

const std::map<std::string, Container>& containers()
{
    static const std::map<std::string, Container> byExtension = {
        { "wav", { SF_FORMAT_WAV, "WAV", SF_FORMAT_FLOAT, true } },
        { "rf64", { SF_FORMAT_RF64, "RF64", SF_FORMAT_FLOAT, false } },
        { "w64", { SF_FORMAT_W64, "Wave64", SF_FORMAT_FLOAT, false } },
        { "caf", { SF_FORMAT_CAF, "CAF", SF_FORMAT_FLOAT, false } },
        { "aif", { SF_FORMAT_AIFF, "AIFF", SF_FORMAT_FLOAT, true } },
        { "aiff", { SF_FORMAT_AIFF, "AIFF", SF_FORMAT_FLOAT, true } },
        { "aifc", { SF_FORMAT_AIFF, "AIFF", SF_FORMAT_FLOAT, true } },
        { "flac", { SF_FORMAT_FLAC, "FLAC", SF_FORMAT_PCM_24, false } },
        { "ogg", { SF_FORMAT_OGG, "Ogg Vorbis", 0, false } },
        { "oga", { SF_FORMAT_OGG, "Ogg Vorbis", 0, false } },
    };
    return byExtension;
}

const Container& containerOf(const std::string& path)
{
    static const Container wav = containers().at("wav");
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot + 1 == path.size())
        return wav;
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto found = containers().find(extension);
    if (found == containers().end()) {
        std::string known;
        for (const auto& [name, container] : containers())
            known += (known.empty() ? "" : ", ") + name;
        throw UsageError("cannot tell the sound format of " + path + " from its extension (known: " + known + ")");
    }
    return found->second;
}

int sampleCode(SampleFormat format)
{
    switch (format) {
    case SampleFormat::pcm16:
        return SF_FORMAT_PCM_16;
    case SampleFormat::pcm24:
        return SF_FORMAT_PCM_24;
    case SampleFormat::float32:
        break;
    }
    return SF_FORMAT_FLOAT;
}

uint64_t bytesPerSample(int format)
{
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_16:
        return 2;
    case SF_FORMAT_PCM_24:
        return 3;
    default:
        return 4;
    }
}

std::string gigabytes(uint64_t bytes)
{
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << static_cast<double>(bytes) / 1e9 << " GB";
    return text.str();
}

} // namespace

// libsndfile writes through this: runs of zeros past the end of what was
// written become a hole in the file, so silence takes no room on disk.
class SparseFile {
public:
    explicit SparseFile(int descriptor)
        : descriptor(descriptor)
    {
    }

    static SF_VIRTUAL_IO calls()
    {
        return { [](void* self) { return of(self).length; },
            [](sf_count_t offset, int whence, void* self) { return of(self).seek(offset, whence); },
            [](void* data, sf_count_t count, void* self) { return of(self).read(data, count); },
            [](const void* data, sf_count_t count, void* self) { return of(self).write(data, count); },
            [](void* self) { return of(self).position; } };
    }

    // Gives the file its full length when it ends in a hole.
    bool finish() const { return ftruncate(descriptor, length) == 0; }

    // Why writing failed: the system's reason where it gave one (a full
    // disk), the library's otherwise.
    std::string fault(const char* library) const { return failure ? std::strerror(failure) : library; }

private:
    static SparseFile& of(void* self) { return *static_cast<SparseFile*>(self); }

    sf_count_t seek(sf_count_t offset, int whence)
    {
        const sf_count_t base = whence == SEEK_CUR ? position : whence == SEEK_END ? length : 0;
        if (base + offset < 0)
            return -1;
        position = base + offset;
        return position;
    }

    sf_count_t read(void* data, sf_count_t count)
    {
        count = std::clamp<sf_count_t>(length - position, 0, count);
        const ssize_t got = pread(descriptor, data, static_cast<size_t>(count), position);
        if (got < 0)
            return 0;
        // Whatever lies in a hole reads as zeros.
        std::fill(static_cast<char*>(data) + got, static_cast<char*>(data) + count, 0);
        position += count;
        return count;
    }

    sf_count_t write(const void* data, sf_count_t count)
    {
        const auto* bytes = static_cast<const char*>(data);
        // All zeros when the first byte is and every byte equals the next.
        const bool silent = position >= written && count > 0 && bytes[0] == 0
            && std::memcmp(bytes, bytes + 1, static_cast<size_t>(count - 1)) == 0;
        for (sf_count_t done = 0; !silent && done < count;) {
            const ssize_t put = pwrite(descriptor, bytes + done, static_cast<size_t>(count - done), position + done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0) {
                failure = put < 0 ? errno : ENOSPC;
                return done;
            }
            done += put;
        }
        position += count;
        length = std::max(length, position);
        if (!silent)
            written = std::max(written, position);
        return count;
    }

    int descriptor;
    sf_count_t position = 0;
    sf_count_t length = 0;
    sf_count_t written = 0; // the end of what is actually on disk
    int failure = 0;
};

int audioFormatFor(const std::string& path, std::optional<SampleFormat> sample)
{
    const Container& container = containerOf(path);
    if (!sample)
        return container.type | container.defaultSample | (container.defaultSample ? 0 : SF_FORMAT_VORBIS);
    if (container.defaultSample == 0)
        throw UsageError(std::string(container.name) + " has no sample format to choose; leave out --format");
    SF_INFO info {};
    info.samplerate = 44100;
    info.channels = channels;
    info.format = container.type | sampleCode(*sample);
    if (!sf_format_check(&info))
        throw UsageError(std::string(container.name) + " cannot hold that sample format; try --format pcm24");
    return info.format;
}

AudioWriter::AudioWriter(const std::string& path, double sampleRate, int format, bool dither, int64_t maxFrames)
    : file(path)
    , sparse(std::make_unique<SparseFile>(file.descriptor()))
    , integer((format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16 || (format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_24)
    , dither(dither && (format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16)
{
    const int type = format & SF_FORMAT_TYPEMASK;
    const bool compressed = type == SF_FORMAT_FLAC || type == SF_FORMAT_OGG;
    const uint64_t bytes = static_cast<uint64_t>(std::max<int64_t>(maxFrames, 0)) * channels * bytesPerSample(format);
    bool large = false;
    if (!compressed && bytes > largestClassicFile) {
        if (type == SF_FORMAT_AIFF)
            throw RenderError("cannot write " + path + ": the render may take " + gigabytes(bytes)
                + ", more than an AIFF file holds; write .wav, .w64 or .caf");
        large = type == SF_FORMAT_WAV;
    }
    struct statvfs space {};
    if (!compressed && fstatvfs(file.descriptor(), &space) == 0
        && bytes > static_cast<uint64_t>(space.f_bavail) * space.f_frsize)
        throw RenderError("cannot write " + path + ": the render may take " + gigabytes(bytes) + " but only "
            + gigabytes(static_cast<uint64_t>(space.f_bavail) * space.f_frsize) + " are free in "
            + file.scratchDirectory());

    SF_INFO info {};
    info.samplerate = static_cast<int>(sampleRate);
    info.channels = channels;
    info.format = large ? SF_FORMAT_RF64 | (format & SF_FORMAT_SUBMASK) : format;
    SF_VIRTUAL_IO calls = SparseFile::calls();
    sound = sf_open_virtual(&calls, SFM_WRITE, &info, sparse.get());
    if (!sound)
        throw RenderError("cannot write " + path + ": " + sf_strerror(nullptr));
    // A render that stays small becomes a plain WAV file again.
    if (large)
        sf_command(sound, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    // The PEAK chunk carries the time of writing: two renders would differ.
    sf_command(sound, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    // Integer formats clip loud samples instead of wrapping them around.
    sf_command(sound, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

AudioWriter::~AudioWriter()
{
    if (sound)
        sf_close(sound);
}

void AudioWriter::write(const float* interleaved, int64_t frames)
{
    const auto count = static_cast<size_t>(frames * channels);
    for (size_t i = 0; integer && i < count; ++i) {
        const float magnitude = std::fabs(interleaved[i]);
        loudest = std::max(loudest, magnitude);
        clipped += magnitude > 1.0f;
    }
    if (dither) {
        // Triangular noise of one step of 16 bits either way, from two
        // uniform values.
        constexpr float step = 1.0f / 32768.0f;
        std::uniform_real_distribution<float> uniform(-0.5f * step, 0.5f * step);
        dithered.assign(interleaved, interleaved + count);
        for (float& sample : dithered)
            sample += uniform(noise) + uniform(noise);
        interleaved = dithered.data();
    }
    if (sf_writef_float(sound, interleaved, frames) != frames)
        throw RenderError("cannot write " + file.name() + ": " + sparse->fault(sf_strerror(sound)));
}

void AudioWriter::commit()
{
    const int result = sf_close(sound);
    sound = nullptr;
    if (result != 0)
        throw RenderError("cannot write " + file.name() + ": " + sparse->fault(sf_error_number(result)));
    if (!sparse->finish())
        throw RenderError("cannot write " + file.name() + ": " + std::strerror(errno));
    file.commit();
}
