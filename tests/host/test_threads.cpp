// Parameter traffic from several threads while the audio thread renders: the
// plug-in must stay consistent and finite (run under ThreadSanitizer in CI).

#include "PluginHarness.h"
#include "plugin/Parameters.h"
#include "tests/support/PatchValues.h"

#include <chrono>
#include <random>
#include <thread>

TEST(Threads, ParameterChangesFromOtherThreadsWhileRendering)
{
    const auto harness = PluginHarness::opened(44100.0f, 128);
    AEffect* e = harness->effect();
    // Bounded bursts: every change may cost the audio thread a table rebuild.
    constexpr int rounds = 100;
    std::atomic<int> running { 4 };
    // Joined when they go out of scope, also when an assertion ends the test early.
    std::vector<std::jthread> threads;
    for (unsigned seed = 1; seed <= 3; ++seed)
        threads.emplace_back([e, seed, &running] {
            std::mt19937 random(seed);
            std::uniform_int_distribution<int32_t> index(-2, kNumParameters + 2);
            std::uniform_real_distribution<float> value(-0.25f, 1.25f);
            for (int round = 0; round < rounds; ++round) {
                for (int i = 0; i < 64; ++i)
                    e->setParameter(e, index(random), value(random));
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            --running;
        });
    // A user interface reading texts and switching programs.
    threads.emplace_back([e, &running] {
        char text[256];
        for (int round = 0; round < rounds; ++round) {
            for (int32_t index = 0; index < kNumParameters; ++index)
                e->dispatcher(e, effGetParamDisplay, index, 0, text, e->getParameter(e, index));
            e->dispatcher(e, effSetProgram, 0, round % 4, nullptr, 0.0f);
        }
        --running;
    });
    // A new note and a cutoff controller every tenth block.
    std::mt19937 random(99);
    for (int block = 0; block < 100 || running.load() > 0; ++block) {
        const auto out = harness->renderBlock(128, block % 10 ? std::vector<VstMidiEvent> {} : std::vector {
            PluginHarness::noteOn(static_cast<int32_t>(random() % 128), static_cast<uint8_t>(36 + random() % 48)),
            makeMidiEvent(100, 0xB0, 74, static_cast<uint8_t>(random() % 128)) });
        ASSERT_TRUE(std::all_of(out.begin(), out.end(), [](float s) { return std::isfinite(s); })) << block;
    }
}

TEST(Threads, AQueueOverflowStillBringsEveryLatestValueToTheSound)
{
    // Far more changes than the queue holds arrive between two blocks, the
    // last of them a patch; the sound must be the patch's, as when it is
    // set on a fresh instance.
    const auto play = [&](int junkRounds) {
        auto harness = PluginHarness::opened();
        const auto values = harness->values();
        for (int round = 0; round < junkRounds; ++round)
            for (int32_t index = 0; index < kNumParameters; ++index)
                harness->setParameter(index, static_cast<float>((round + index) % 7) / 7.0f);
        for (int32_t index = 0; index < kNumParameters; ++index)
            harness->setParameter(index, values[static_cast<size_t>(index)]);
        harness->setPatch({ { kO1Wave, patch::wave(6) }, { kFilterMode, patch::mode(1) },
            { kCutoff, patch::cutoffHz(800) }, { kReso, 0.3f }, { kO2Wave, patch::wave(5) } });
        return harness->play({ PluginHarness::noteOn(0, 48) }, 0, 8192);
    };
    const auto direct = play(0);
    EXPECT_GT(peakOf(direct), 0.1);
    EXPECT_TRUE(play(40) == direct) << "the values lost in the overflow never reached the engine";
}
