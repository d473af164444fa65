#pragma once

#include "tools/render/HostedPlugin.h"
#include "tools/render/RenderError.h"
#include "tools/render/Renderer.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// A chunk of a Standard MIDI File: its id, its length, its body.
inline Bytes chunk(const char* id, const Bytes& body)
{
    Bytes bytes(id, id + 4);
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<uint8_t>(body.size() >> shift));
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

// A format 1 file of the given track bodies at 96 ticks per quarter note.
inline Bytes midiFile(const std::vector<Bytes>& tracks)
{
    Bytes file = chunk("MThd", { 0, 1, 0, static_cast<uint8_t>(tracks.size()), 0, 96 });
    for (const Bytes& track : tracks) {
        const Bytes trackChunk = chunk("MTrk", track);
        file.insert(file.end(), trackChunk.begin(), trackChunk.end());
    }
    return file;
}

// f must throw a RenderError whose message names the file and holds the
// expected text.
template <class F> void expectRenderError(F&& f, const std::string& file, const std::string& expected)
{
    try {
        f();
        ADD_FAILURE() << "accepted, expected an error with: " << expected;
    } catch (const RenderError& error) {
        const std::string text = error.what();
        EXPECT_NE(text.find(file), std::string::npos) << text;
        EXPECT_NE(text.find(expected), std::string::npos) << text;
    }
}

// Every cut of a good file must be refused; copies with one to three bytes
// changed at random must be refused or read (decode checks what it read),
// and damage to data bytes leaves many of them readable.
template <class Decode> void expectCutsRefusedAndDamageSurvived(const Bytes& good, Decode decode)
{
    for (size_t length = 0; length < good.size(); ++length)
        EXPECT_THROW(decode(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length))), RenderError)
            << length;
    std::mt19937 random(11);
    int read = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        Bytes damaged = good;
        for (int flips = 1 + trial % 3; flips > 0; --flips)
            damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
        try {
            decode(damaged);
            ++read;
        } catch (const RenderError&) {
        }
    }
    EXPECT_GT(read, 100) << "the damaged copies hardly reached the reader";
}

// Renders and returns the interleaved stereo output.
inline std::vector<float> renderAll(Instrument& plugin, const MidiSequence& sequence, RenderSettings settings = {},
    const std::vector<TimedParameter>& changes = {})
{
    std::vector<float> out;
    Renderer(plugin, settings).render(sequence, changes, [&](const float* samples, int64_t frames) {
        out.insert(out.end(), samples, samples + 2 * frames);
    });
    return out;
}

// A sound file's format and, unless only the header is wanted (a render may
// hold gigabytes), its interleaved samples; format 0 when it is none.
struct Sound {
    SF_INFO info {};
    std::vector<float> samples;
};

inline Sound readSound(const std::string& path, bool headerOnly = false)
{
    Sound sound;
    if (SNDFILE* file = sf_open(path.c_str(), SFM_READ, &sound.info)) {
        const sf_count_t frames = headerOnly ? 0 : sound.info.frames;
        sound.samples.resize(static_cast<size_t>(frames * sound.info.channels));
        sf_readf_float(file, sound.samples.data(), frames);
        sf_close(file);
    }
    return sound;
}

// A folder of its own under /tmp, removed with everything in it.
struct ScratchDir {
    explicit ScratchDir(const std::string& prefix)
    {
        std::string pattern = "/tmp/" + prefix + "-XXXXXX";
        if (mkdtemp(pattern.data()))
            path = pattern;
    }
    ~ScratchDir()
    {
        if (!path.empty())
            std::filesystem::remove_all(path);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::filesystem::path path;
};

inline std::string contents(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}
