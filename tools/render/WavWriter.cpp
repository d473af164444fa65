#include "tools/render/WavWriter.h"

#include "tools/render/RenderError.h"

#include <sndfile.h>

namespace {

int formatCode(SampleFormat format)
{
    switch (format) {
    case SampleFormat::pcm16:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    case SampleFormat::pcm24:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    case SampleFormat::float32:
        break;
    }
    return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
}

} // namespace

WavWriter::WavWriter(const std::string& path, double sampleRate, SampleFormat format)
    : file(path)
{
    SF_INFO info {};
    info.samplerate = static_cast<int>(sampleRate);
    info.channels = 2;
    info.format = formatCode(format);
    sound = sf_open(file.path().c_str(), SFM_WRITE, &info);
    if (!sound)
        throw RenderError("cannot write " + path + ": " + sf_strerror(nullptr));
    // Integer formats clip loud samples instead of wrapping them around.
    sf_command(sound, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

WavWriter::~WavWriter()
{
    if (sound)
        sf_close(sound);
}

void WavWriter::write(const float* interleaved, int64_t frames)
{
    if (sf_writef_float(sound, interleaved, frames) != frames)
        throw RenderError("cannot write " + file.destinationPath() + ": " + sf_strerror(sound));
}

void WavWriter::commit()
{
    const int result = sf_close(sound);
    sound = nullptr;
    if (result != 0)
        throw RenderError("cannot write " + file.destinationPath() + ": " + sf_error_number(result));
    file.commit();
}
