#pragma once

#include "tests/tools/ProbeRecord.h"
#include "tools/render/HostedPlugin.h"
#include "tools/render/Renderer.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <vector>

#ifndef ZARVEX_PROBE_PLUGIN_PATH
#error "the tests need the path of the probe plug-in"
#endif

// The probe plug-in opened through the renderer's host, with access to what
// it recorded.
struct ProbeHost {
    explicit ProbeHost(double sampleRate = 44100.0, int32_t blockSize = 512)
        : plugin(ZARVEX_PROBE_PLUGIN_PATH, sampleRate, blockSize)
    {
        // The host has the library open already; this only finds it again.
        library = dlopen(ZARVEX_PROBE_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
        reinterpret_cast<ProbeClearProc>(dlsym(library, "probeClear"))();
    }
    ~ProbeHost() { dlclose(library); }

    std::vector<ProbeRecord> recorded(ProbeRecord::Kind kind) const
    {
        const ProbeRecord* all = nullptr;
        const size_t count = reinterpret_cast<ProbeRecordsProc>(dlsym(library, "probeRecords"))(&all);
        std::vector<ProbeRecord> found;
        for (size_t i = 0; i < count; ++i)
            if (all[i].kind == kind)
                found.push_back(all[i]);
        return found;
    }

    // Renders and returns the interleaved stereo output.
    std::vector<float> render(const MidiSequence& sequence, RenderSettings settings = {},
        const std::vector<TimedParameter>& changes = {})
    {
        std::vector<float> out;
        Renderer(plugin, settings).render(sequence, changes, [&](const float* samples, int64_t frames) {
            out.insert(out.end(), samples, samples + 2 * frames);
        });
        return out;
    }

    HostedPlugin plugin;
    void* library = nullptr;
};

inline MidiMessage message(double seconds, uint8_t status, uint8_t data1, uint8_t data2)
{
    return { seconds, { status, data1, data2 }, 3 };
}
