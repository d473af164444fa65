// Conversions of normalised values into quantities, note names and the editor's texts.

#include "plugin/ParameterText.h"
#include "plugin/Parameters.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

namespace {

TEST(ParameterValues, EveryIndexMapsTheUnitRangeFinitelyAndMonotonically)
{
    for (int32_t index = 0; index < kNumParameters; ++index) {
        const double first = displayQuantity(index, 0.0f);
        ASSERT_TRUE(std::isfinite(first)) << index;
        double previous = first;
        int rises = 0, falls = 0;
        for (int step = 1; step <= 1000; ++step) {
            const double q = displayQuantity(index, static_cast<float>(step) / 1000.0f);
            ASSERT_TRUE(std::isfinite(q)) << index << " at step " << step;
            rises += q > previous;
            falls += q < previous;
            previous = q;
        }
        EXPECT_TRUE(rises == 0 || falls == 0) << index;
        EXPECT_EQ(rises + falls == 0, first == previous) << index;
    }
}

TEST(ParameterValues, CurvesTruncationSaturationAndOutOfRangeValues)
{
    const float belowOne = std::nextafter(1.0f, 0.0f);
    const struct {
        int32_t index;
        float v;
        double quantity;
    } cases[] = {
        // Curves in between, and bounds hit exactly.
        { kEnvSlope, 0.4444444f, 0.2 }, { kCutoff, 0.5f, 20.0 * std::sqrt(1000.0) },
        { kO2HPF, 0.5f, 20.0 * std::sqrt(1000.0) - 20.0 }, { kO1DetRndFrq, 0.5f, 10.0 }, { kO1Density, 0.5f, 63.0 },
        { kOversampling, 0.5f, 32.0 }, { kO1Wave, 3.0f, 1536.0 }, { kO1LPF, 1.0f, 20000.0 }, { kO1HPF, 0.0f, 0.0 },
        // Truncated modes reach the top only at 1, and truncate toward zero.
        { kMonoPoly, belowOne, 0.0 }, { kMonoPoly, 1.0f, 1.0 }, { kModulation, belowOne, 2.0 },
        { kSyncToOsc1, belowOne, 2.0 }, { kSyncToOsc1, 1.0f, 3.0 }, { kModulation, 0.3f, 0.0 },
        { kModulation, -0.2f, 0.0 }, { kO1Wave, -0.001f, -1.0 },
        // Integer quantities saturate; the others follow the formula out of range.
        { kO1Wave, 1e30f, INT32_MAX }, { kO1Wave, FLT_MAX, INT32_MAX }, { kO1Wave, -FLT_MAX, INT32_MIN },
        { kO1Density, 1e9f, INT32_MAX }, { kModulation, -1e20f, INT32_MIN }, { kO1Wave, NAN, 0.0 },
        { kVolume, 2.0f, 144.0 }, { kO1PitchStart, -1.0f, -144.0 }, { kCutoff, 1e6f, INFINITY },
    };
    for (const auto& c : cases) {
        const double got = displayQuantity(c.index, c.v);
        EXPECT_TRUE(got == c.quantity || std::fabs(got - c.quantity) < 1e-7) << c.index << " at " << c.v << ": " << got;
    }
    EXPECT_EQ(saturateToInt32(-2.7), -2);
    EXPECT_EQ(saturateToInt32(1e300), INT32_MAX);
}

TEST(ParameterValues, StepsCountedFromTheirMultiplier)
{
    // A host that wants step k sends k divided by the multiplier; the product
    // is rounded to single precision before the floor, so every step is hit.
    const struct {
        int32_t index;
        int multiplier, first, spacing;
    } steps[] = { { kO2CoarseTune, 96, -48, 1 }, { kO3CoarseTune, 96, -48, 1 }, { kO1Wave, 512, 0, 1 },
        { kFilterMode, 128, 0, 1 }, { kDistMode, 128, 0, 1 }, { kRefKey, 127, 0, 1 }, { kOversampling, 63, 1, 1 },
        { kO1Density, 63, 1, 2 }, { kStages, 4, 0, 1 } };
    for (const auto& s : steps)
        for (int k = 0; k <= s.multiplier; ++k)
            EXPECT_EQ(displayQuantity(s.index, static_cast<float>(k) / static_cast<float>(s.multiplier)),
                s.first + s.spacing * k) << s.index << " step " << k;
    int missedByDoubleFloor = 0;
    for (int k = 0; k <= 96; ++k)
        missedByDoubleFloor += std::floor(static_cast<double>(static_cast<float>(k) / 96.0f) * 96.0) != k;
    EXPECT_GT(missedByDoubleFloor, 0) << "some k/96 fall just below k when multiplied in double";
}

TEST(ParameterValues, StorageReceiversAndDefaults)
{
    for (int32_t index = -3; index < kNumParameters + 3; ++index)
        EXPECT_EQ(isStoredParameter(index), index >= 0 && index < kNumParameters && index != 12 && index != 110)
            << index;
    EXPECT_EQ(parameterInfo(-1), nullptr);
    EXPECT_EQ(parameterInfo(kNumParameters), nullptr);
    // The refresh after loading reaches every receiver exactly once; the
    // constructor sets no index twice.
    int refreshed[kNumParameters] = {};
    for (int32_t index : engineRefreshOrder())
        ++refreshed[index];
    int set[kNumParameters] = {};
    for (const ParameterDefault& d : kConstructorDefaults)
        ++set[d.index];
    for (int32_t index = 0; index < kNumParameters; ++index) {
        EXPECT_EQ(refreshed[index], parameterInfo(index)->receive ? 1 : 0) << index;
        EXPECT_LE(set[index], 1) << index;
    }
}

TEST(ParameterText, NoteNamesAtTheEndsOfTheKeyRange)
{
    for (auto [note, name] : { std::pair { -1, "ERR " }, { 0, "C-1 " }, { 61, "C#4 " }, { 127, "G9  " },
             { 128, "ERR " } }) {
        char text[16];
        getNoteName(note, text);
        EXPECT_STREQ(text, name) << note;
    }
}

TEST(ParameterText, EditorConverters)
{
    const struct {
        void (*convert)(float, char*);
        float value;
        const char* text;
    } cases[] = {
        { convertLongName, 16.9f, "Osc1 AmpRamp StartByVel" }, { convertLongName, 12.0f, "DC Block" },
        { convertLongName, 152.0f, "ParamTag unknown" }, { convertLongName, 110.0f, "ParamTag unknown" },
        { convertLongName, 136.0f, "ParamTag unknown" }, { convertLongName, -3.0f, "ParamTag unknown" },
        { convertLongName, 1e30f, "ParamTag unknown" }, { convertLongName, NAN, "ParamTag unknown" },
        { convertNumber, -3.14159f, "-3.14" }, { convertPhase, 1.0f, "free" }, { convertPhase, 0.5f, "180.00" },
        { convertPhase, 0.0f, "0.00" }, { convertPhase, 359.98f / 360.0f, "359.98" },
        { convertPhase, 0.99999f, "free" }, { convertPhase, NAN, "free" }, { convertUnit, 7.0f, "FM Index" },
        { convertUnit, 8.5f, "degrees" }, { convertUnit, 9.0f, "UnitTag Unknown" },
        { convertUnit, -1.0f, "UnitTag Unknown" }, { convertUnit, 1e20f, "UnitTag Unknown" },
    };
    char text[64];
    for (const auto& c : cases) {
        c.convert(c.value, text);
        EXPECT_STREQ(text, c.text) << c.value;
    }
    convertNumber(-FLT_MAX, text);
    EXPECT_LT(std::strlen(text), 48u);
}

} // namespace
