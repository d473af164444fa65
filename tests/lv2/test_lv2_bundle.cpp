// The built bundle as an LV2 host reads it: its ports must follow the
// parameter table (count, order, defaults, steps), its presets the ports.
// Names and ranges are lv2info's business; the sound of the defaults is
// compared with the VST 2 form by test_lv2_render.
#include "lv2/ControlPorts.h"
#include "lv2/Lv2Uris.h"
#include "plugin/Parameters.h"

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/presets/presets.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

class Lv2Bundle : public ::testing::Test {
protected:
    void SetUp() override
    {
        LilvNode* bundle = lilv_new_file_uri(world, nullptr, ZARVEX_LV2_BUNDLE "/");
        lilv_world_load_bundle(world, bundle);
        lilv_node_free(bundle);
        LilvNode* uri = lilv_new_uri(world, ZARVEX_LV2_URI);
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
        lilv_node_free(uri);
        ASSERT_NE(plugin, nullptr);
    }
    void TearDown() override { lilv_world_free(world); }

    // A port's class (lilv_port_is_a) or property (lilv_port_has_property).
    bool ask(bool (*question)(const LilvPlugin*, const LilvPort*, const LilvNode*), const LilvPort* port,
        const char* uri)
    {
        LilvNode* node = lilv_new_uri(world, uri);
        const bool result = question(plugin, port, node);
        lilv_node_free(node);
        return result;
    }

    LilvWorld* world = lilv_world_new();
    const LilvPlugin* plugin = nullptr;
};

TEST_F(Lv2Bundle, ControlPortsFollowTheParameterTable)
{
    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), ControlPorts::kPortCount);
    std::vector<float> defaults(ControlPorts::kPortCount);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    uint32_t port = 0;
    for (int32_t index = 0; index < kNumParameters; ++index) {
        if (!isStoredParameter(index))
            continue;
        SCOPED_TRACE("parameter " + std::to_string(index));
        const ParameterInfo& info = *parameterInfo(index);
        const LilvPort* p = lilv_plugin_get_port_by_index(plugin, port);
        ASSERT_TRUE(ask(lilv_port_is_a, p, LILV_URI_CONTROL_PORT) && ask(lilv_port_is_a, p, LILV_URI_INPUT_PORT));
        // The default, in the port's unit, leads back to the table's.
        const double q = displayQuantity(index, info.defaultValue);
        EXPECT_NEAR(displayQuantity(index, ControlPorts::normalisedValue(index, defaults[port++])), q,
            1e-5 * std::max(1.0, std::fabs(q)));
        const bool stepped = info.mapping.conversion == Conversion::floored
            || info.mapping.conversion == Conversion::truncated;
        EXPECT_EQ(ask(lilv_port_has_property, p, LV2_CORE__integer), stepped);
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
}

TEST_F(Lv2Bundle, PresetsSetEveryPortWithinItsRange)
{
    LilvNode* presetClass = lilv_new_uri(world, LV2_PRESETS__Preset);
    LilvNodes* presets = lilv_plugin_get_related(plugin, presetClass);
    lilv_node_free(presetClass);
    if (lilv_nodes_size(presets) == 0) {
        lilv_nodes_free(presets);
        GTEST_SKIP() << "the build made no factory bank";
    }
    EXPECT_EQ(lilv_nodes_size(presets), 32u);
    std::vector<float> minimum(ControlPorts::kPortCount), maximum(ControlPorts::kPortCount);
    lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), nullptr);
    LilvNode* portProperty = lilv_new_uri(world, LV2_CORE__port);
    LilvNode* symbolProperty = lilv_new_uri(world, LV2_CORE__symbol);
    LilvNode* valueProperty = lilv_new_uri(world, LV2_PRESETS__value);
    LILV_FOREACH (nodes, it, presets) {
        const LilvNode* preset = lilv_nodes_get(presets, it);
        lilv_world_load_resource(world, preset);
        LilvNodes* ports = lilv_world_find_nodes(world, preset, portProperty, nullptr);
        EXPECT_EQ(lilv_nodes_size(ports), ControlPorts::kCount);
        LILV_FOREACH (nodes, p, ports) {
            const LilvNode* port = lilv_nodes_get(ports, p);
            LilvNode* symbol = lilv_world_get(world, port, symbolProperty, nullptr);
            LilvNode* value = lilv_world_get(world, port, valueProperty, nullptr);
            ASSERT_TRUE(symbol && value);
            const LilvPort* target = lilv_plugin_get_port_by_symbol(plugin, symbol);
            ASSERT_NE(target, nullptr) << lilv_node_as_string(symbol);
            const uint32_t index = lilv_port_get_index(plugin, target);
            EXPECT_GE(lilv_node_as_float(value), minimum[index]) << lilv_node_as_string(symbol);
            EXPECT_LE(lilv_node_as_float(value), maximum[index]) << lilv_node_as_string(symbol);
            lilv_node_free(symbol);
            lilv_node_free(value);
        }
        lilv_nodes_free(ports);
    }
    lilv_node_free(valueProperty);
    lilv_node_free(symbolProperty);
    lilv_node_free(portProperty);
    lilv_nodes_free(presets);
}

} // namespace
