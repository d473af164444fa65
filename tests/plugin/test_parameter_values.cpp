// Conversions of normalised values into quantities and texts, measured
// through the parameter table itself.

#include "plugin/ParameterText.h"
#include "plugin/Parameters.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>

TEST(ParameterValues, EveryIndexMapsTheUnitRangeMonotonicallyReachesItsStepsAndIsRefreshedOnce)
{
    int refreshed[kNumParameters] = {};
    for (int32_t index : engineRefreshOrder())
        ++refreshed[index];
    int set[kNumParameters] = {};
    for (const ParameterDefault& d : kConstructorDefaults)
        ++set[d.index];
    for (int32_t index = 0; index < kNumParameters; ++index) {
        const ParameterInfo& info = *parameterInfo(index);
        EXPECT_EQ(refreshed[index], info.receive ? 1 : 0) << index;
        EXPECT_LE(set[index], 1) << index;
        double previous = displayQuantity(index, 0.0f);
        int rises = 0, falls = 0;
        for (int step = 0; step <= 1000; ++step) {
            const double q = displayQuantity(index, static_cast<float>(step) / 1000.0f);
            ASSERT_TRUE(std::isfinite(q)) << index << " at step " << step;
            rises += q > previous;
            falls += q < previous;
            previous = q;
        }
        EXPECT_TRUE(rises == 0 || falls == 0) << index;
        EXPECT_EQ(rises + falls == 0, !isStoredParameter(index)) << index;
        // Integer quantities saturate at the 32-bit range; NaN gives 0.
        const Conversion c = info.mapping.conversion;
        if (c == Conversion::floored || c == Conversion::truncated) {
            EXPECT_EQ(displayQuantity(index, FLT_MAX), INT32_MAX) << index;
            EXPECT_EQ(displayQuantity(index, -FLT_MAX), INT32_MIN) << index;
            EXPECT_EQ(displayQuantity(index, NAN), 0.0) << index;
        }
        // A host that wants step k sends k divided by the multiplier; the
        // product is rounded to single precision before the floor, so every step is hit.
        if (c == Conversion::floored) {
            for (int k = 0; k <= info.mapping.scale; ++k)
                EXPECT_EQ(displayQuantity(index, static_cast<float>(k) / static_cast<float>(info.mapping.scale)),
                    info.mapping.offset + info.mapping.step * k) << index << " step " << k;
        }
        if (info.menu) {
            for (int32_t entry = 0; entry < static_cast<int32_t>(info.menu->entries.size()); ++entry)
                EXPECT_EQ(menuEntry(index, menuValue(index, entry)), entry) << index;
        }
    }
    EXPECT_EQ(parameterInfo(-1), nullptr);
    EXPECT_EQ(parameterInfo(kNumParameters), nullptr);
    EXPECT_EQ(saturateToInt32(-2.7), -2);
    // The exponential curve spans the audio band.
    EXPECT_NEAR(displayQuantity(kCutoff, 0.0f), 20.0, 1e-9);
    EXPECT_NEAR(displayQuantity(kCutoff, 1.0f), 20000.0, 1e-9);
}

TEST(ParameterText, NoteNamesAndEditorTextsAtTheirEnds)
{
    char text[64];
    for (auto [note, name] : { std::pair { -1, "ERR " }, { 0, "C-1 " }, { 61, "C#4 " }, { 127, "G9  " },
             { 128, "ERR " } }) {
        getNoteName(note, text);
        EXPECT_STREQ(text, name) << note;
    }
    const struct {
        void (*convert)(float, char*);
        float value;
        const char* text;
    } cases[] = {
        { convertLongName, 16.9f, "Osc1 AmpRamp StartByVel" }, { convertLongName, 110.0f, "ParamTag unknown" },
        { convertLongName, -3.0f, "ParamTag unknown" }, { convertLongName, NAN, "ParamTag unknown" },
        { convertPhase, 359.98f / 360.0f, "359.98" }, { convertPhase, 1.0f, "free" },
        { convertPhase, NAN, "free" }, { convertUnit, 8.5f, "degrees" }, { convertUnit, 9.0f, "UnitTag Unknown" },
        { convertUnit, 1e20f, "UnitTag Unknown" }, { convertNumber, -3.14159f, "-3.14" },
    };
    for (const auto& c : cases) {
        c.convert(c.value, text);
        EXPECT_STREQ(text, c.text) << c.value;
    }
    convertNumber(-FLT_MAX, text);
    EXPECT_LT(std::strlen(text), 48u);
}
