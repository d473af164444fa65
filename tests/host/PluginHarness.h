#pragma once

#include "tests/support/Signals.h"
#include "vst2/VstHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#ifndef ZARVEX_PLUGIN_PATH
#error "the tests need the path of the built plug-in"
#endif

// A host for tests: loads the built plug-in exactly as a host does and keeps a
// record of every call the plug-in makes back to it.
class PluginHarness {
public:
    struct HostCall {
        int32_t opcode, index;
        intptr_t value;
        float opt;
    };

    PluginHarness()
        : host([this](AEffect*, int32_t opcode, int32_t index, intptr_t value, void*, float opt) {
            // Display refreshes come with every parameter change: counted, not kept.
            if (opcode == audioMasterUpdateDisplay) {
                ++displayUpdates;
                return intptr_t { 0 };
            }
            std::lock_guard<std::mutex> lock(callsMutex);
            calls.push_back({ opcode, index, value, opt });
            return opcode == audioMasterVersion ? intptr_t { 2400 } : intptr_t { 0 };
        })
    {
    }

    static const char* pluginPath() { return ZARVEX_PLUGIN_PATH; }
    static std::unique_ptr<PluginHarness> opened(float sampleRate = 44100.0f, int32_t blockSize = 64)
    {
        auto harness = std::make_unique<PluginHarness>();
        harness->open(sampleRate, blockSize);
        return harness;
    }

    // Loads the plug-in, sets rate and block size and resumes it.
    void open(float sampleRate = 44100.0f, int32_t blockSize = 64)
    {
        ASSERT_TRUE(host.load(pluginPath())) << host.error();
        host.start(sampleRate, blockSize);
    }

    AEffect* effect() const { return host.effect(); }

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        return host.dispatch(opcode, index, value, ptr, opt);
    }
    std::string text(int32_t opcode, int32_t index = 0) const { return host.text(opcode, index); }

    void setParameter(int32_t index, float value) { effect()->setParameter(effect(), index, value); }
    void setPatch(const std::vector<std::pair<int32_t, float>>& patch)
    {
        for (const auto& [index, value] : patch)
            setParameter(index, value);
    }
    float getParameter(int32_t index) { return effect()->getParameter(effect(), index); }
    std::vector<float> values()
    {
        std::vector<float> all;
        for (int32_t index = 0; index < effect()->numParams; ++index)
            all.push_back(getParameter(index));
        return all;
    }

    // One block through processReplacing, after handing over the events.
    std::vector<float> renderBlock(int32_t frames, const std::vector<VstMidiEvent>& events = {})
    {
        if (!events.empty())
            host.sendEvents(events);
        std::vector<std::vector<float>> out;
        host.render(out, frames);
        EXPECT_EQ(out.size(), 2u);
        for (int32_t i = 0; i < frames && out.size() == 2; ++i)
            EXPECT_EQ(out[0][static_cast<size_t>(i)], out[1][static_cast<size_t>(i)]) << "channels differ at " << i;
        return out.empty() ? std::vector<float> {} : out[0];
    }

    // Renders frames samples in blocks of blockSize, the events in the first.
    std::vector<float> render(int32_t frames, int32_t blockSize = 64, const std::vector<VstMidiEvent>& events = {})
    {
        std::vector<float> all;
        for (int32_t done = 0; done < frames; done += blockSize) {
            const auto block = renderBlock(std::min(blockSize, frames - done), done == 0 ? events : std::vector<VstMidiEvent> {});
            all.insert(all.end(), block.begin(), block.end());
        }
        return all;
    }

    // Plays the events in a first block, renders `skip` samples more, and
    // returns the `keep` that follow, widened for the measures of Signals.h.
    std::vector<double> play(const std::vector<VstMidiEvent>& events, int32_t skip, int32_t keep)
    {
        renderBlock(64, events);
        render(skip);
        const auto kept = render(keep);
        return { kept.begin(), kept.end() };
    }

    // True when the output has ended in exact silence within six seconds, as
    // every released note must.
    bool fallsSilent()
    {
        const auto tail = render(6 * 44100);
        return std::all_of(tail.end() - 1024, tail.end(), [](float s) { return s == 0.0f; });
    }

    // The calls with one opcode; those about one parameter among the given
    // opcodes; in order.
    std::vector<HostCall> callsWith(int32_t opcode)
    {
        return callsWhere([&](const HostCall& call) { return call.opcode == opcode; });
    }
    std::vector<HostCall> callsAbout(int32_t index, std::initializer_list<int32_t> opcodes)
    {
        return callsWhere([&](const HostCall& call) {
            return call.index == index && std::find(opcodes.begin(), opcodes.end(), call.opcode) != opcodes.end();
        });
    }
    void clearCalls()
    {
        std::lock_guard<std::mutex> lock(callsMutex);
        calls.clear();
        displayUpdates = 0;
    }
    long displayUpdateCount() const { return displayUpdates.load(); }

    static VstMidiEvent noteOn(int32_t offset, uint8_t note, uint8_t velocity = 100)
    {
        return makeMidiEvent(offset, 0x90, note, velocity);
    }
    static VstMidiEvent noteOff(int32_t offset, uint8_t note) { return makeMidiEvent(offset, 0x80, note, 0); }

private:
    template <class Keep> std::vector<HostCall> callsWhere(Keep keep)
    {
        std::lock_guard<std::mutex> lock(callsMutex);
        std::vector<HostCall> found;
        std::copy_if(calls.begin(), calls.end(), std::back_inserter(found), keep);
        return found;
    }
    std::mutex callsMutex;
    std::vector<HostCall> calls;
    std::atomic<long> displayUpdates { 0 };
    VstHost host;
};
