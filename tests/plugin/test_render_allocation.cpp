// The audio path allocates nothing: every allocation of the process is
// counted while the plug-in renders notes through its heaviest settings.

#include "plugin/Zarvex2Plug.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

namespace {

std::atomic<bool> counting { false };
std::atomic<long> allocations { 0 };

intptr_t VSTCALLBACK host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

void* countedAllocation(std::size_t size) noexcept
{
    if (counting)
        ++allocations;
    return std::malloc(size ? size : 1);
}

void* countedOrThrow(std::size_t size)
{
    if (void* p = countedAllocation(size))
        return p;
    throw std::bad_alloc();
}

} // namespace

// The whole family of plain allocation functions, so that every pair stays
// malloc and free (also for the sanitizers, which check the pairs).
void* operator new(std::size_t size) { return countedOrThrow(size); }
void* operator new[](std::size_t size) { return countedOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return countedAllocation(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return countedAllocation(size); }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic pop

TEST(RenderAllocation, RenderingNotesThroughEveryModuleAllocatesNothing)
{
    Zarvex2Plug plug(host);
    plug.setSampleRate(48000.0f);
    plug.setBlockSize(256);
    plug.resume();
    // 127 voices, all three oscillators modulating, vibrato, the tanh ladder
    // and the tanh distortion; then the Moog ladder and the biquads.
    const std::pair<int32_t, float> patch[] = { { kO1Wave, 6.5f / 512 }, { kO1Density, 1.0f }, { kO1DetStart, 0.04f },
        { kO2Wave, 5.5f / 512 }, { kO3Wave, 15.5f / 512 }, { kModulation, 0.5f }, { kSyncToOsc1, 1.0f },
        { kVibWave, 3.5f / 512 }, { kVibDepth, 0.01f }, { kVibSpeed, 0.25f }, { kO1DetRnd, 0.5f },
        { kFilterMode, 12.5f / 128 }, { kDistMode, 2.5f / 128 } };
    for (const auto& [index, value] : patch)
        plug.setParameter(index, value);
    std::vector<float> left(256), right(256);
    float* outputs[] = { left.data(), right.data() };
    VstMidiEvent on { kVstMidiType, sizeof(VstMidiEvent), 10, 0, 0, 0, { char(0x90), 45, 100, 0 }, 0, 0, 0, 0 };
    VstMidiEvent off { kVstMidiType, sizeof(VstMidiEvent), 200, 0, 0, 0, { char(0x80), 45, 0, 0 }, 0, 0, 0, 0 };
    VstEvents events {};
    events.numEvents = 2;
    events.events[0] = reinterpret_cast<VstEvent*>(&on);
    events.events[1] = reinterpret_cast<VstEvent*>(&off);

    double energy = 0.0;
    for (float mode : { 12.5f / 128, 10.5f / 128, 3.5f / 128 }) {
        plug.setParameter(kFilterMode, mode);
        for (int block = 0; block < 40; ++block) {
            counting = true;
            if (block % 10 == 0)
                plug.processEvents(&events);
            plug.processReplacing(nullptr, outputs, 256);
            counting = false;
            for (float s : left)
                energy += double(s) * s;
        }
    }
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_GT(energy, 1.0);
}
