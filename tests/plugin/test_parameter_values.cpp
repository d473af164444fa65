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

TEST(ParameterValues, EveryIndexSpansItsRange)
{
    // The quantity of every index at v = 0 and v = 1, worked out from each
    // formula by hand (inert indices give 0); each row starts at the index noted.
    const double ranges[][2] = {
    { -96, 24 }, { 0, 24 }, { 0, 1 }, { 0, 1000 }, { 0, 100 }, { 1, 0.1 }, { 0, 100 }, { 0, 20 }, // 0
    { 0, 512 }, { 0, 50 }, { 0, 20 }, { 0, 512 }, { 0, 0 }, { 0, 512 }, { 0, 360 }, { -96, 24 }, // 8
    { 0, 24 }, { 0, 2000 }, { -96, 24 }, { -48, 48 }, { -24, 24 }, { 0, 2000 }, { -48, 48 }, { 20, 20000 }, // 16
    { 0, 19980 }, { 1, 99 }, { 1, 127 }, { 0, 12 }, { 0, 2000 }, { 0, 12 }, { 0, 1 }, { 0, 1 }, // 24
    { 0, 1 }, { 0, 2000 }, { 0, 1 }, { 0, 1 }, { 0, 1 }, { 0, 2000 }, { 0, 1 }, { 0, 100 }, // 32
    { 0, 100 }, { 0, 2000 }, { 0, 100 }, { 0, 30 }, { 0, 15 }, { 0, 2000 }, { 0, 30 }, { 0, 30 }, // 40
    { 0, 15 }, { 0, 2000 }, { 0, 30 }, { 0, 3 }, { 0, 3 }, { 0, 512 }, { 0, 360 }, { -96, 24 }, // 48
    { 0, 24 }, { 0, 2000 }, { -96, 24 }, { -48, 48 }, { -24, 24 }, { 0, 2000 }, { -48, 48 }, { 20, 20000 }, // 56
    { 0, 19980 }, { 0, 100 }, { -48, 48 }, { -50, 50 }, { 0, 512 }, { 0, 360 }, { -96, 24 }, { 0, 24 }, // 64
    { 0, 2000 }, { -96, 24 }, { -48, 48 }, { -24, 24 }, { 0, 2000 }, { -48, 48 }, { 20, 20000 }, { 0, 19980 }, // 72
    { 0, 100 }, { -48, 48 }, { -50, 50 }, { -96, 24 }, { 0, 24 }, { 0, 2000 }, { -96, 24 }, { -96, 24 }, // 80
    { 0, 24 }, { 0, 2000 }, { -96, 24 }, { -96, 24 }, { 0, 24 }, { 0, 2000 }, { -96, 24 }, { 0, 128 }, // 88
    { 0, 4 }, { 0, 100 }, { 0, 100 }, { 20, 20000 }, { -48, 48 }, { -100, 100 }, { -100, 100 }, { 0.1, 10 }, // 96
    { 0, 12 }, { -100, 100 }, { -100, 100 }, { 0, 3 }, { -24, 24 }, { -48, 48 }, { 0, 0 }, { 0, 1 }, // 104
    { -2, 2 }, { 0, 127 }, { 1, 64 }, { -96, 96 }, { 0, 2000 }, { -96, 96 }, { 0, 48 }, { 0, 200 }, // 112
    { 0, 2000 }, { 0, 2000 }, { -96, 96 }, { -3, 3 }, { -96, 24 }, { 0, 2000 }, { -96, 24 }, { 0, 24 }, // 120
    { 0, 500 }, { 0, 2000 }, { -96, 24 }, { 0, 2000 }, { 0, 128 }, { 0, 100 }, { 0, 100 }, { -48, 48 }, // 128
    { -2, 2 }, { -24, 24 }, { -24, 24 }, { -24, 24 }, { -24, 24 }, { -24, 24 }, { -24, 24 }, { 0, 1 }, // 136
    { -96, 24 }, { 0, 2000 }, { -96, 24 }, { 0, 24 }, { 0, 500 }, { 0, 2000 }, { -96, 24 }, { 0, 2000 }, // 144
    { 0, 19980 }, { 0, 19980 }, { 0, 19980 }, { 0, 100 }, { 1, 100 }, { -2, 2 }, // 152
    };
    ASSERT_EQ(std::size(ranges), static_cast<size_t>(kNumParameters));
    for (int32_t index = 0; index < kNumParameters; ++index) {
        const double atOne = ranges[index][1];
        EXPECT_NEAR(displayQuantity(index, 0.0f), ranges[index][0], 1e-12) << index;
        EXPECT_NEAR(displayQuantity(index, 1.0f), atOne, 1e-12 * std::fmax(1.0, std::fabs(atOne))) << index;
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

TEST(ParameterValues, StorageReceiversAndConstructorOrder)
{
    for (int32_t index = -3; index < kNumParameters + 3; ++index)
        EXPECT_EQ(isStoredParameter(index), index >= 0 && index < kNumParameters && index != 12 && index != 110)
            << index;
    EXPECT_EQ(parameterInfo(-1), nullptr);
    EXPECT_EQ(parameterInfo(kNumParameters), nullptr);
    for (int32_t index : { 2, 111, 156, 12, 110 })
        EXPECT_EQ(parameterInfo(index)->receive, nullptr) << index;
    // The refresh after loading reaches every receiver exactly once.
    int refreshed[kNumParameters] = {};
    for (int32_t index : engineRefreshOrder())
        ++refreshed[index];
    for (int32_t index = 0; index < kNumParameters; ++index)
        EXPECT_EQ(refreshed[index], parameterInfo(index)->receive ? 1 : 0) << index;

    std::string order = " ";
    int set[kNumParameters] = {};
    for (const ParameterDefault& d : kConstructorDefaults) {
        order += std::to_string(d.index) + " ";
        ++set[d.index];
    }
    for (const char* run : {
             " 0 1 2 3 4 5 8 6 7 11 9 10 13 14 15 16 17 18 19 20 21 22 23 24 152 25 26 27 28 29 30 155 ",
             " 79 154 80 81 82 31 32 ", " 51 52 83 84 ", " 106 107 108 157 109 112 113 ", " 141 142 144 145 " })
        EXPECT_NE(order.find(run), std::string::npos) << run;
    EXPECT_EQ(order.find(" 0 "), 0u);
    EXPECT_EQ(order.rfind(" 151 "), order.size() - 5);
    for (int32_t index = 0; index < kNumParameters; ++index)
        EXPECT_EQ(set[index], index == 12 || index == 110 || index == 111 || index == 143 || index == 156 ? 0 : 1)
            << index;
}

TEST(ParameterText, NoteNames)
{
    const char* classes[] = { "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B" };
    for (int32_t note = -1; note <= 128; ++note) {
        std::string expected = note < 0 || note > 127 ? "ERR" : classes[note % 12] + std::to_string(note / 12 - 1);
        expected.resize(4, ' ');
        char text[16];
        getNoteName(note, text);
        EXPECT_EQ(std::string(text), expected) << note;
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
