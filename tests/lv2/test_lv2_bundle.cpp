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
        LilvNode* bundle = owned.emplace_back(lilv_new_file_uri(world, nullptr, ZARVEX_LV2_BUNDLE "/"));
        lilv_world_load_bundle(world, bundle);
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri(ZARVEX_LV2_URI));
        ASSERT_NE(plugin, nullptr);
    }
    void TearDown() override
    {
        for (LilvNode* node : owned)
            lilv_node_free(node);
        lilv_world_free(world);
    }

    // A URI's node, freed at the end of the test like the others in owned.
    const LilvNode* uri(const char* text) { return owned.emplace_back(lilv_new_uri(world, text)); }

    LilvWorld* world = lilv_world_new();
    const LilvPlugin* plugin = nullptr;
    std::vector<LilvNode*> owned;
};

TEST_F(Lv2Bundle, ControlPortsFollowTheParameterTablePresetsSetEveryPortWithinItsRange)
{
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
            const auto property = [&](const char* name) {
                return owned.emplace_back(lilv_world_get(world, port, uri(name), nullptr));
            };
            const LilvNode* symbol = property(LV2_CORE__symbol);
            const LilvNode* value = property(LV2_PRESETS__value);
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

} // namespace
