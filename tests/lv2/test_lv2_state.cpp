// The plug-in's state through lilv, as hosts save it with a session and
// restore it into a fresh instance.
#include "lv2/Lv2Uris.h"
#include "tools/render/Lv2Instrument.h"
#include "vst2/VstHost.h"

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/state/state.h>

#include <cstdlib>
#include <filesystem>

namespace {

const void* portValue(const char* symbol, void* instrument, uint32_t* size, uint32_t* type)
{
    return static_cast<Lv2Instrument*>(instrument)->portValue(symbol, size, type);
}

void setPortValue(const char* symbol, void* instrument, const void* value, uint32_t size, uint32_t)
{
    auto* target = static_cast<Lv2Instrument*>(instrument);
    if (size == sizeof(float))
        target->setParameter(target->findParameter(symbol), *static_cast<const float*>(value));
}

// A fresh instance, with the given port values set.
std::unique_ptr<Lv2Instrument> open(const std::vector<std::pair<const char*, float>>& ports = {})
{
    setenv("LV2_PATH", std::filesystem::path(ZARVEX_LV2_BUNDLE).parent_path().c_str(), 1);
    auto instrument = std::make_unique<Lv2Instrument>(ZARVEX_LV2_URI, 44100.0, 256);
    instrument->resume();
    for (const auto& [symbol, value] : ports)
        instrument->setParameter(instrument->findParameter(symbol), value);
    return instrument;
}

// The state in the form hosts write to disk.
std::string save(Lv2Instrument& instrument)
{
    LilvState* state = lilv_state_new_from_instance(instrument.lilvPlugin(), instrument.lilvInstance(),
        instrument.uridMap(), nullptr, nullptr, nullptr, nullptr, portValue, &instrument,
        LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, nullptr);
    char* text = lilv_state_to_string(instrument.lilvWorld(), instrument.uridMap(), instrument.uridUnmap(), state,
        "urn:zarvex:test-state", nullptr);
    std::string saved = text;
    lilv_free(text);
    lilv_state_free(state);
    return saved;
}

void restore(Lv2Instrument& instrument, const std::string& saved)
{
    LilvState* state = lilv_state_new_from_string(instrument.lilvWorld(), instrument.uridMap(), saved.c_str());
    ASSERT_NE(state, nullptr);
    lilv_state_restore(state, instrument.lilvInstance(), setPortValue, &instrument, 0, nullptr);
    lilv_state_free(state);
}

// A second of one note; the left channel.
std::vector<float> play(Lv2Instrument& instrument)
{
    std::vector<float> all;
    std::vector<std::vector<float>> out;
    for (int block = 0; block < 172; ++block) {
        instrument.process(block ? std::vector<VstMidiEvent> {} : std::vector { makeMidiEvent(10, 0x90, 45, 100) },
            256, out);
        all.insert(all.end(), out[0].begin(), out[0].end());
    }
    return all;
}

} // namespace

TEST(Lv2State, ValuesBeyondThePortsAndTheProgramNameComeBack)
{
    const std::vector<std::pair<const char*, float>> patch = { { "FilterMode", 1.0f }, { "O2Wave", 6.0f } };
    auto original = open(patch);
    // Controller 74 moves the cutoff inside the plug-in: no port shows it.
    std::vector<std::vector<float>> out;
    original->process({ makeMidiEvent(0, 0xB0, 74, 30) }, 256, out);
    std::string saved = save(*original);
    const auto name = saved.find("\"Init\"");
    ASSERT_NE(name, std::string::npos) << saved;
    saved.replace(name, 6, "\"Deep Bass\"");

    auto fresh = open();
    restore(*fresh, saved);
    // Saved again, it is the same state.
    EXPECT_EQ(save(*fresh), saved);
    const auto expected = play(*original);
    EXPECT_EQ(play(*fresh), expected);
    // A fresh instance without the state sounds different.
    EXPECT_NE(play(*open(patch)), expected);
}
