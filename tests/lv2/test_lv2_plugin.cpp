// The built bundle through lilv, as LV2 hosts load it: its ports follow the
// parameter table and its presets the ports (names and ranges are lv2info's
// business), it plays the VST 2 form's samples, and its state comes back.
#include "lv2/ControlPorts.h"
#include "lv2/Lv2Uris.h"
#include "plugin/Parameters.h"
#include "tests/support/Signals.h"
#include "tests/tools/RenderTestSupport.h"
#include "tools/render/Lv2Instrument.h"
#include "vst2/VstHost.h"

#include <lv2/presets/presets.h>
#include <lv2/state/state.h>

namespace fs = std::filesystem;

namespace {

// A fresh instance, with the given port values set.
std::unique_ptr<Lv2Instrument> open(const std::vector<std::pair<const char*, float>>& ports = {})
{
    setenv("LV2_PATH", fs::path(ZARVEX_LV2_BUNDLE).parent_path().c_str(), 1);
    auto instrument = std::make_unique<Lv2Instrument>(ZARVEX_LV2_URI, 44100.0, 256);
    instrument->resume();
    for (const auto& [symbol, value] : ports)
        instrument->setParameter(instrument->findParameter(symbol), value);
    return instrument;
}

// Nodes freed at the end of a test.
struct Nodes {
    ~Nodes()
    {
        for (LilvNode* node : all)
            lilv_node_free(node);
    }
    const LilvNode* operator()(LilvNode* node) { return all.emplace_back(node); }
    std::vector<LilvNode*> all;
};

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

// A second of one note.
std::vector<float> play(Lv2Instrument& instrument)
{
    return renderAll(instrument, { { { 0.001, { 0x90, 45, 100 }, 3 } }, 1.0 }, { TailMode::fixed, 0.0 });
}

// The demo phrase through the renderer with one second of tail and the
// given options (plain words: no quoting); the samples, interleaved.
std::vector<float> render(const std::string& options)
{
    const ScratchDir dir("zarvex-lv2-render");
    const fs::path wav = dir.path / "out.wav";
    // The bundle's folder given relative to where the renderer runs, as users often do.
    const fs::path folder = fs::path(ZARVEX_LV2_BUNDLE).parent_path();
    const std::string command = "cd '" + folder.parent_path().string() + "' && LV2_PATH="
        + folder.filename().string() + " '" ZARVEX_RENDER_PATH "' -q --tail 1 '" ZARVEX_EXAMPLES_DIR
        "/demo-phrase.mid' -o '" + wav.string() + "' " + options;
    EXPECT_EQ(std::system((command + " >/dev/null").c_str()), 0) << command;
    return readSound(wav).samples;
}

} // namespace

TEST(Lv2Bundle, ControlPortsFollowTheParameterTablePresetsSetEveryPortWithinItsRange)
{
    const auto instrument = open();
    LilvWorld* world = instrument->lilvWorld();
    const LilvPlugin* plugin = instrument->lilvPlugin();
    Nodes owned;
    const auto uri = [&](const char* text) { return owned(lilv_new_uri(world, text)); };
    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), ControlPorts::kPortCount);
    const size_t count = ControlPorts::kPortCount;
    std::vector<float> minimum(count), maximum(count), defaults(count);
    lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), defaults.data());
    uint32_t port = 0;
    for (int32_t index = 0; index < kNumParameters; ++index) {
        if (!isStoredParameter(index))
            continue;
        SCOPED_TRACE("parameter " + std::to_string(index));
        const ParameterInfo& info = *parameterInfo(index);
        const LilvPort* p = lilv_plugin_get_port_by_index(plugin, port);
        ASSERT_TRUE(lilv_port_is_a(plugin, p, uri(LILV_URI_CONTROL_PORT))
            && lilv_port_is_a(plugin, p, uri(LILV_URI_INPUT_PORT)));
        // The default, in the port's unit, leads back to the table's.
        const double q = displayQuantity(index, info.defaultValue);
        EXPECT_NEAR(displayQuantity(index, ControlPorts::normalisedValue(index, defaults[port++])), q,
            1e-5 * std::max(1.0, std::fabs(q)));
        const bool stepped = info.mapping.conversion == Conversion::floored
            || info.mapping.conversion == Conversion::truncated;
        EXPECT_EQ(lilv_port_has_property(plugin, p, uri(LV2_CORE__integer)), stepped);
        // Every step of a menu is a named choice that reaches its step exactly.
        if (LilvScalePoints* points = lilv_port_get_scale_points(plugin, p)) {
            LILV_FOREACH (scale_points, it, points) {
                const float step = lilv_node_as_float(lilv_scale_point_get_value(lilv_scale_points_get(points, it)));
                EXPECT_EQ(displayQuantity(index, ControlPorts::normalisedValue(index, step)), step);
            }
            lilv_scale_points_free(points);
        }
    }
    EXPECT_EQ(port, ControlPorts::kCount);

    // The factory bank's presets set every port within its range.
    LilvNodes* presets = lilv_plugin_get_related(plugin, uri(LV2_PRESETS__Preset));
    if (lilv_nodes_size(presets) == 0) {
        lilv_nodes_free(presets);
        GTEST_SKIP() << "the build made no factory bank";
    }
    EXPECT_EQ(lilv_nodes_size(presets), 32u);
    LILV_FOREACH (nodes, it, presets) {
        const LilvNode* preset = lilv_nodes_get(presets, it);
        lilv_world_load_resource(world, preset);
        LilvNodes* ports = lilv_world_find_nodes(world, preset, uri(LV2_CORE__port), nullptr);
        EXPECT_EQ(lilv_nodes_size(ports), ControlPorts::kCount);
        LILV_FOREACH (nodes, p, ports) {
            const LilvNode* port = lilv_nodes_get(ports, p);
            const LilvNode* symbol = owned(lilv_world_get(world, port, uri(LV2_CORE__symbol), nullptr));
            const LilvNode* value = owned(lilv_world_get(world, port, uri(LV2_PRESETS__value), nullptr));
            ASSERT_TRUE(symbol && value);
            const LilvPort* target = lilv_plugin_get_port_by_symbol(plugin, symbol);
            ASSERT_NE(target, nullptr) << lilv_node_as_string(symbol);
            const uint32_t index = lilv_port_get_index(plugin, target);
            EXPECT_GE(lilv_node_as_float(value), minimum[index]) << lilv_node_as_string(symbol);
            EXPECT_LE(lilv_node_as_float(value), maximum[index]) << lilv_node_as_string(symbol);
        }
        lilv_nodes_free(ports);
    }
    lilv_nodes_free(presets);
}

TEST(Lv2Render, BothFormsPlayTheSameSamples)
{
    // A lowpass filter with resonance 5.05 (its cutoff follows controller 74
    // in the phrase) and a saw on oscillator 2; oscillator 1's own lowpass at
    // 158.87 Hz opens to 5023.77 Hz after a second. VST 2 takes normalised
    // values by parameter number, LV2 the quantities by port symbol.
    const auto vst = render("--param 95=0.0078125 --param 103=0.5 --param 53=0.01171875 --param 23=0.3"
                            " --param 1:23=0.8");
    const auto lv2 = render("--lv2 " ZARVEX_LV2_URI " --param FilterMode=1 --param Reso=5.05"
                            " --param O2Wave=6 --param O1LPF=158.865647 --param 1:O1LPF=5023.77286");
    ASSERT_EQ(lv2.size(), vst.size());
    std::vector<double> difference(vst.size());
    std::transform(vst.begin(), vst.end(), lv2.begin(), difference.begin(), std::minus<double>());
    const double peak = peakOf({ vst.begin(), vst.end() });
    EXPECT_GT(peak, 0.01);
    EXPECT_LE(peakOf(difference), 1e-6 * peak);
}

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
