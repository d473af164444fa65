// Renders through the loaded plug-in compared with renders kept in files.
// Short renders that together run every module and mode are kept in
// tests/golden: a change that is meant to keep the sound must stay within
// 1e-6 of each render's peak (ZARVEX_GOLDEN_WRITE=1 writes them instead,
// after an intended change of the sound). A longer render of a patch of its
// own is written out by the native build; the Windows build, the same code
// for another platform, must agree with it sample for sample within 1e-6.

#include "PluginHarness.h"
#include "plugin/Parameters.h"
#include "tests/support/PatchValues.h"

#include <cstdlib>
#include <fstream>

#ifndef ZARVEX_GOLDEN_DIR
#error "the golden renders' folder is needed"
#endif

namespace {

// Renders are kept as raw floats.
bool writeFloats(const std::string& path, const std::vector<float>& samples)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(samples.size() * sizeof(float)));
    return file.good();
}
// The largest difference between the samples and those kept in a file;
// infinite when the file holds fewer.
double differenceFromFile(const std::string& path, const std::vector<float>& samples)
{
    std::vector<float> kept(samples.size());
    const auto bytes = static_cast<std::streamsize>(kept.size() * sizeof(float));
    if (!std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(kept.data()), bytes))
        return INFINITY;
    double worst = 0.0;
    for (size_t i = 0; i < kept.size(); ++i)
        worst = std::max(worst, std::fabs(static_cast<double>(kept[i]) - samples[i]));
    return worst;
}

using Setting = std::pair<int32_t, float>;
// A setting that takes effect at a frame of the render.
using Change = std::pair<int32_t, Setting>;

struct Scenario {
    std::string name;
    float rate;
    std::vector<Setting> settings {};
    std::vector<Change> changes {};
};

constexpr int32_t kFrames = 10000;
constexpr int32_t kBlock = 128;

// Oscillator 3 on the white noise cycle, beside the live noise of the others.
const Setting kNoiseCycle { kO3Wave, patch::wave(14) };

// A filter mode with its stage count stepping through 1 ... 5. The gain
// (for the peaking and shelving modes) boosts once per stage.
Scenario filterScenario(const std::string& name, int mode, float rate, float reso, float gain = 0.625f)
{
    Scenario s { name, rate,
        { { kO1Wave, patch::wave(6) }, { kFilterMode, patch::mode(mode) }, { kCutoff, patch::cutoffHz(600) },
            { kReso, reso }, { kGain, gain }, { kFilterDrive, 0.6f }, { kFiltPeak, 0.65f }, { kFiltDecay, 0.05f },
            { kStages, patch::stages(1) } } };
    for (int n = 2; n <= 5; ++n)
        s.changes.push_back({ (n - 1) * kFrames / 5, { kStages, patch::stages(n) } });
    return s;
}

// Oscillators 1 to 3 on waves a, b and c, in phase: mirrored waves (saw up and
// down, peak up and down) in one scenario would cancel.
Scenario waves(const char* name, float rate, int a, int b, int c)
{
    return { name, rate, { { kO1Wave, patch::wave(a) }, { kO2Wave, patch::wave(b) }, { kO3Wave, patch::wave(c) } } };
}

std::vector<Scenario> scenarios()
{
    std::vector<Scenario> all = {
        { "default", 44100 },
        { "waves-live-noise", 44100, { { kO1Wave, patch::wave(1) }, { kO2Wave, patch::wave(2) },
            kNoiseCycle } },
        waves("waves-4-5-6", 48000, 4, 5, 6),
        waves("waves-7-8-10", 44100, 7, 8, 10),
        waves("waves-9-11-12", 96000, 9, 11, 12),
        waves("waves-13-15-16", 44100, 13, 15, 16),
        { "voices-7-exp", 44100, { { kO1Wave, patch::wave(6) }, { kO1Density, patch::voices(7) },
            { kO1DetStart, 0.05f }, { kO1DetTime, 0.05f }, { kO1DetEnd, 0.02f } } },
        // The spacing turns exponential while the last note holds its pitch: the voices follow at once.
        { "voices-7-lin", 48000, { { kO1Wave, patch::wave(5) }, { kO1Density, patch::voices(7) },
            { kO1DetStart, 0.02f }, { kO1DetEnd, 0.02f }, { kO1DetSpacing, 1.0f } },
            { { 9000, { kO1DetSpacing, 0.0f } } } },
        { "voices-127-exp", 44100, { { kO1Wave, patch::wave(6) }, { kO1Density, patch::voices(127) },
            { kO1DetStart, 0.04f }, { kO1DetEnd, 0.04f } } },
        { "voices-127-lin", 96000, { { kO1Wave, patch::wave(7) }, { kO1Density, patch::voices(127) },
            { kO1DetStart, 0.03f }, { kO1DetEnd, 0.03f }, { kO1DetSpacing, 1.0f } } },
        { "voices-random-detune", 44100, { { kO1Wave, patch::wave(6) }, { kO1Density, patch::voices(7) },
            { kO1DetStart, 0.02f }, { kO1DetRnd, 0.5f }, kNoiseCycle, { kO3VolStart, 0.0f },
            { kO3VolEnd, 0.0f } } },
        { "lfos-pulse-width", 44100, { { kO1Wave, patch::wave(5) }, { kO1PW, 0.3f }, { kVibDepth, 0.01f },
            { kVibSpeed, 0.25f }, { kVibWave, patch::wave(4) }, { kPWMDepth, 0.6f }, { kPWMSpeed, 0.4f },
            { kPWMWave, patch::wave(3) }, { kO1Phase, 0.25f } } },
        { "tone-filters-ramps", 48000, { { kO1Wave, patch::wave(6) }, { kO2Wave, patch::wave(5) },
            { kO3Wave, patch::wave(4) }, { kO1LPF, 0.6f }, { kO1HPF, 0.3f }, { kO2APF, 0.5f },
            { kO3LPF, 0.5f }, { kO1PitchStart, 0.6f }, { kO1PitchTime, 0.02f }, { kO2VolStart, 0.5f },
            { kO2VolTime, 0.05f }, { kO3PitchStart, 0.4f }, { kO3PitchTime, 0.03f }, { kO2CoarseTune, 0.63f },
            { kO3FineTune, 0.7f }, { kOsc1AmpRampStartByVel, 0.5f }, { kOsc2PitchRampStartByVel, 0.7f },
            { kSlideTime, 0.2f } } },
        { "envelopes", 44100, { { kO1Wave, patch::wave(6) }, { kAmp1Start, 0.5f }, { kAmp1Attack, 0.01f },
            { kAmp1Hold, 0.02f }, { kAmp1Decay, 0.03f }, { kAmp1Sustain, 0.7f }, { kAmp1Release, 0.02f },
            { kAmpEnv1PeakByVel, 0.5f }, { kAmp2Attack, 0.005f }, { kAmp2Decay, 0.02f },
            { kAmp2Sustain, 0.75f }, { kAmp2Release, 0.05f }, { kEnvSlope, 0.2f }, { kVolByVel, 0.5f },
            { kFilterMode, patch::mode(1) }, { kCutoff, patch::cutoffHz(800) }, { kFiltStart, 0.4f },
            { kFiltAttack, 0.01f }, { kFiltPeak, 0.7f }, { kFiltHold, 0.05f }, { kFiltDecay, 0.03f },
            { kFiltRelease, 0.02f }, { kFiltEndFreq, 0.55f }, { kFiltEnvPeakByVel, 0.5f },
            { kFiltEnvDurByVel, 0.7f } } },
        { "filter-modulation", 44100, { { kO1Wave, patch::wave(6) }, { kFilterMode, patch::mode(1) },
            { kCutoff, patch::cutoffHz(1500) }, { kReso, 0.3f }, { kFilterFMByInput, 0.7f },
            { kFilterFMByOutput, 0.3f }, { kResoModByInput, 0.6f }, { kResoModByOutput, 0.4f },
            { kResoByCutoff, 0.5f }, { kKeyTrack, 0.75f }, { kRefKey, 0.4f }, { kDryWet, 0.7f },
            { kFilterDryWetByVel, 0.2f }, { kFilterFreqByVel, 0.7f }, { kResonanceByVelocity, 0.3f } } },
        { "distortion-linear", 44100, { { kO1Wave, patch::wave(3) }, { kDistMode, patch::mode(1) },
            { kDistDrive, 0.62f }, { kDCOffset, 0.55f }, { kLowThresh, 0.4f }, { kHighThresh, 0.45f },
            { kLowSat, 0.6f }, { kHighSat, 0.3f }, { kLowClamp, 0.45f }, { kHighClamp, 0.52f },
            { kRectify, 0.3f }, { kDistMix, 0.8f }, { kDistDryWetByVel, 0.1f } } },
        { "distortion-tanh", 48000, { { kO1Wave, patch::wave(6) }, { kDistMode, patch::mode(2) },
            { kDistDrive, 0.5625f }, { kLowThresh, 0.3f }, { kHighSat, 0.7f }, { kRectify, 0.6f } } },
    };
    // Every filter mode at a rate and resonance of its own; the ladders (10 to
    // 12) also self-oscillating.
    const std::pair<float, float> filters[] = { { 44100, 0.2f }, { 48000, 0.2f }, { 44100, 0.3f }, { 96000, 0.2f },
        { 44100, 0.4f }, { 44100, 0.2f }, { 48000, 0.2f }, { 44100, 0.3f }, { 44100, 0.2f }, { 44100, 0.2f },
        { 96000, 0.2f }, { 96000, 0.2f } };
    for (int mode = 1; mode <= 12; ++mode) {
        const auto [rate, reso] = filters[mode - 1];
        const float gain = mode == 8 ? 0.5625f : 0.625f;
        all.push_back(filterScenario("filter-" + std::to_string(mode), mode, rate, reso, gain));
    }
    for (int mode = 10; mode <= 12; ++mode) {
        Scenario s = filterScenario("ladder-" + std::to_string(mode) + "-self-oscillating", mode,
            mode == 10 ? 48000 : 44100, 1.0f);
        // The Moog ladder turns into the 303 one at a steady cutoff (a flat
        // filter envelope from the last note on): the new poles act at once.
        if (mode == 10)
            s.changes.insert(s.changes.end(),
                { { 7000, { kFiltPeak, 0.5f } }, { 9000, { kFilterMode, patch::mode(11) } } });
        all.push_back(s);
    }
    // Modulation and sync modes 1 ... 3 with every modulation depth at work.
    for (int m = 1; m <= 3; ++m) {
        all.push_back({ "modulation-" + std::to_string(m), m == 2 ? 96000.0f : 44100.0f,
            { { kO1Wave, patch::wave(6) }, { kO2Wave, patch::wave(5) }, { kO3Wave, patch::wave(7) },
                { kO2CoarseTune, 0.63f }, { kO3CoarseTune, 0.4f }, { kModulation, patch::modulation(m) },
                { kFMbyO1Start, 0.2f }, { kFMbyO1End, 0.05f }, { kFMbyO1Time, 0.05f }, { kFMbyO2Start, 0.01f },
                { kFMbyO2End, 0.01f }, { kFMbyO3Start, 0.005f }, { kFMbyO3End, 0.01f }, { kAMbyO2Start, 0.3f },
                { kAMbyO2End, 0.3f }, { kAMbyO3Start, 0.2f }, { kAMbyO3End, 0.2f }, { kRM12Start, patch::decibels(-6) },
                { kRM12End, patch::decibels(-6) }, { kRM13Start, patch::decibels(-10) },
                { kRM13End, patch::decibels(-10) }, { kRM23Start, patch::decibels(-12) },
                { kRM23End, patch::decibels(-12) }, { kO2LPF, 0.7f } } });
        all.push_back({ "sync-" + std::to_string(m), 44100,
            { { kO1Wave, patch::wave(6) }, { kO2Wave, patch::wave(6) }, { kO3Wave, patch::wave(5) },
                { kO2PitchStart, 0.58f }, { kO2PitchEnd, 0.55f }, { kO2PitchTime, 0.1f }, { kO3CoarseTune, 0.6f },
                { kSyncToOsc1, patch::modulation(m) } } });
    }
    return all;
}

// The scenario playing a phrase: a note, a legato note that glides, pitch
// bend, release, and a fresh note after silence, held to the end.
std::vector<float> render(const Scenario& scenario, int32_t length = kFrames)
{
    const VstMidiEvent phrase[] = { PluginHarness::noteOn(16, 45, 100), PluginHarness::noteOn(3000, 57, 127),
        PluginHarness::noteOff(3100, 45), makeMidiEvent(4500, 0xE0, 0, 80), PluginHarness::noteOff(6000, 57),
        PluginHarness::noteOn(8000, 48, 64) };
    PluginHarness harness;
    harness.open(scenario.rate, kBlock);
    harness.setPatch(scenario.settings);
    std::vector<float> all;
    for (int32_t frame = 0; frame < length; frame += kBlock) {
        const int32_t frames = std::min(kBlock, length - frame);
        const auto within = [&](int32_t at) { return at >= frame && at < frame + frames; };
        for (const auto& [at, setting] : scenario.changes)
            if (within(at))
                harness.setParameter(setting.first, setting.second);
        std::vector<VstMidiEvent> events;
        for (VstMidiEvent event : phrase)
            if (within(event.deltaFrames)) {
                event.deltaFrames -= frame;
                events.push_back(event);
            }
        const auto block = harness.renderBlock(frames, events);
        all.insert(all.end(), block.begin(), block.end());
    }
    return all;
}

} // namespace

TEST(GoldenRenders, EveryScenarioMatchesItsGoldenRender)
{
    const bool write = std::getenv("ZARVEX_GOLDEN_WRITE") != nullptr;
    for (const Scenario& scenario : scenarios()) {
        const auto samples = render(scenario);
        const std::string path = ZARVEX_GOLDEN_DIR "/" + scenario.name + ".f32";
        if (write) {
            ASSERT_TRUE(writeFloats(path, samples)) << "cannot write " << path;
            continue;
        }
        const double peak = peakOf({ samples.begin(), samples.end() });
        EXPECT_GT(peak, 0.01) << scenario.name << " is silent";
        EXPECT_LE(differenceFromFile(path, samples), 1e-6 * peak) << scenario.name << " differs from " << path;
    }
}

TEST(ReferenceRender, WrittenOrComparedWithTheOtherPlatform)
{
    // Detuned saws, a second oscillator, the Moog ladder and the tanh
    // distortion, for three seconds.
    const Scenario phrase { "reference", 44100, { { kO1Wave, patch::wave(6) }, { kO1Density, patch::voices(7) },
        { kO1DetStart, 0.6f }, { kO2Wave, patch::wave(5) }, { kFilterMode, patch::mode(10) }, { kCutoff, 0.55f },
        { kReso, 0.3f }, { kDistMode, patch::mode(2) } } };
    const auto samples = render(phrase, 131072);
    EXPECT_GT(peakOf({ samples.begin(), samples.end() }), 0.1);
    const char* out = std::getenv("ZARVEX_REFERENCE_OUT");
    ASSERT_TRUE(!out || writeFloats(out, samples)) << "cannot write " << out;
    if (const char* in = std::getenv("ZARVEX_REFERENCE_IN")) {
        EXPECT_LE(differenceFromFile(in, samples), 1e-6) << in;
    }
}
