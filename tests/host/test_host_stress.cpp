// Hosts that push the plug-in hard: extreme but legal settings, sample-rate
// changes during a note, many instances side by side.

#include "PluginHarness.h"
#include "plugin/Parameters.h"
#include "tests/support/PatchValues.h"

#include <fstream>
#include <random>

namespace {

// The peak level of a render, infinite where a sample is not finite.
double levelOf(const std::vector<float>& x)
{
    const std::vector<double> wide(x.begin(), x.end());
    return std::all_of(wide.begin(), wide.end(), [](double s) { return std::isfinite(s); }) ? peakOf(wide) : INFINITY;
}

} // namespace

TEST(HostStress, AudioRateFilterModulationStaysAtTheNotesLevelNoRunawayLevelReachesTheHost)
{
    // Allpass with its cutoff modulated by the input at nearly full depth once
    // pumped the biquad's history up to 3e38. Designs whose gain is at most 1
    // stay within a few times the note's level however fast they move: the
    // peak of 28,000 samples of a note; with a seed, of the second that
    // follows with one filter setting moved at random each block (the mode
    // among band-pass 2, band-reject and allpass).
    const auto peakWithFilterFM = [](float byInput, uint32_t seed = 0) {
        auto harness = PluginHarness::opened();
        harness->setPatch({ { kFilterFMByInput, byInput }, { kFilterMode, 0.051f }, { kResoByCutoff, 0.305f },
            { kO2Wave, 0.521f }, { kReso, 0.723f } });
        // The onset's block is left out: unlimited, it would raise the measure.
        harness->renderBlock(64, { PluginHarness::noteOn(0, 52, 100) });
        const double held = levelOf(harness->render(28000));
        std::mt19937 random(seed);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        double moved = 0.0;
        for (int block = 0; seed != 0 && block < 44100 / 64; ++block) {
            const int32_t index = kFilterMode + static_cast<int32_t>(unit(random) * (kGain - kFilterMode));
            const float value = unit(random);
            harness->setParameter(index, index == kFilterMode ? patch::mode(4 + static_cast<int>(value * 3.0f)) : value);
            moved = std::max(moved, levelOf(harness->renderBlock(64)));
        }
        return seed == 0 ? held : moved;
    };
    const double noteLevel = peakWithFilterFM(0.5f);
    EXPECT_GT(noteLevel, 0.5f);
    EXPECT_LE(peakWithFilterFM(0.986f), 2.0 * noteLevel);
    for (uint32_t seed : { 1u, 2u, 3u })
        EXPECT_LE(peakWithFilterFM(0.986f, seed), 8.0 * noteLevel) << "seed " << seed;
    // No level a sound cannot mean reaches the host. Five low shelves at
    // +24 dB each: legal settings, 120 dB of gain.
    auto harness = PluginHarness::opened();
    harness->setPatch({ { kFilterMode, patch::mode(8) }, { kStages, patch::stages(5) }, { kGain, 1.0f } });
    harness->renderBlock(64, { PluginHarness::noteOn(0, 40) });
    EXPECT_LE(levelOf(harness->render(22050)), 64.0);
}

TEST(HostStress, RateChangeDuringAHeldNoteNeitherClicksNorDetunesOddRatesAreRefused)
{
    // The default patch: a full-scale sine. Suspend, new rate, resume, while
    // the note is held; rates no host uses, sent after it, change nothing.
    for (float rate : { 8000.0f, 22050.0f, 96000.0f }) {
        auto harness = PluginHarness::opened();
        harness->renderBlock(64, { PluginHarness::noteOn(0, 69, 127) });
        const double level = levelOf(harness->render(22050));
        harness->dispatch(effMainsChanged, 0, 0);
        harness->dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        for (float odd : { 0.5f, 1.0f, 1e-40f, 1e6f, 1e7f, 1e30f, -44100.0f, 0.0f, NAN, INFINITY })
            harness->dispatch(effSetSampleRate, 0, 0, nullptr, odd);
        harness->dispatch(effMainsChanged, 0, 1);
        EXPECT_EQ(harness->dispatch(effGetTailSize), static_cast<intptr_t>(2 * rate));
        const auto after = harness->render(static_cast<int32_t>(rate / 10));
        EXPECT_LE(levelOf(after), level * 1.01) << rate;
        // 440 Hz from 5 ms on: every period of the following 50 ms, timed
        // by its zero crossings, within a few cents.
        const auto crossings = risingCrossings(
            slice({ after.begin(), after.end() }, static_cast<size_t>(rate * 0.005f), static_cast<size_t>(rate * 0.05f)));
        double worst = 0.0;
        for (size_t i = 1; i < crossings.size(); ++i)
            worst = std::max(worst, std::fabs(1200.0 * std::log2(rate / (crossings[i] - crossings[i - 1]) / 440.0)));
        EXPECT_LT(worst, 5.0) << rate;
    }
}

TEST(HostStress, InstancesRenderedTogetherSoundAsEachAlone)
{
    // Live white and pink noise, a noise cycle and randomly detuned voices:
    // all of it draws random numbers.
    constexpr int kInstances = 8, kBlocks = 40, kBlock = 128;
    const auto prepared = [](size_t which) {
        auto harness = PluginHarness::opened(44100.0f, kBlock);
        harness->setPatch({ { kO1Wave, patch::wave(which % 2 ? 1 : 6) }, { kO1Density, 0.1f }, { kO1DetRnd, 0.8f },
            { kO2Wave, patch::wave(14) }, { kO3Wave, patch::wave(2) } });
        harness->renderBlock(kBlock, { PluginHarness::noteOn(0, static_cast<uint8_t>(40 + which)) });
        return harness;
    };
    std::vector<std::vector<float>> mixed(kInstances);
    std::vector<std::unique_ptr<PluginHarness>> together;
    for (size_t k = 0; k < mixed.size(); ++k)
        together.push_back(prepared(k));
    for (int block = 0; block < kBlocks; ++block)
        for (size_t k = 0; k < mixed.size(); ++k) {
            const auto out = together[k]->renderBlock(kBlock);
            mixed[k].insert(mixed[k].end(), out.begin(), out.end());
        }
    together.clear();
    for (size_t k = 0; k < mixed.size(); ++k)
        EXPECT_TRUE(prepared(k)->render(kBlocks * kBlock, kBlock) == mixed[k]) << "instance " << k;
}

// gcc tells of AddressSanitizer by a macro, clang by a feature.
#ifndef __has_feature
#define __has_feature(feature) 0
#endif
#if defined(__SANITIZE_ADDRESS__) || __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

TEST(HostStress, OpenAndCloseTwoHundredTimesWithoutGrowth)
{
    // Each cycle a full session: open, rate, resume, a note, close. An
    // instance takes about 90 kB beside the shared tables, so losing one each
    // cycle would add 9 MB from one hundred cycles to the next; the
    // allocator's own ups and downs stay below 4 MB. AddressSanitizer holds
    // freed memory back, so there the leak checker judges instead.
    auto cycles = [](int count) {
        for (int i = 0; i < count; ++i)
            PluginHarness::opened(48000.0f)->renderBlock(64, { PluginHarness::noteOn(0, 60) });
    };
    auto residentKb = [] {
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmRSS:", 0) == 0)
                return std::stol(line.substr(6));
        return 0L;
    };
    // The library stays loaded between the cycles, as in a host: what is
    // measured is the instances, not the loader.
    PluginHarness keeper;
    keeper.open();
    cycles(100);
    const long before = residentKb();
    cycles(100);
    EXPECT_TRUE(kAddressSanitizer || residentKb() - before < 4096) << residentKb() - before << " kB more";
}
