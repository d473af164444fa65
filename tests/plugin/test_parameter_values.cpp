// Conversions of normalised values into quantities, and the texts made of them.

#include "plugin/ParameterText.h"
#include "plugin/Parameters.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

namespace {

std::string valueText(int32_t index, float v)
{
    char text[64];
    std::memset(text, 'x', sizeof text);
    formatParameterValue(index, displayQuantity(index, v), text);
    return text;
}

struct Range {
    int32_t index;
    double atZero;
    double atOne;
};

// The quantity of every index at v = 0 and v = 1, worked out from each
// formula by hand (inert indices give 0).
const Range kRanges[] = {
    { 0, -96, 24 }, { 1, 0, 24 }, { 2, 0, 1 }, { 3, 0, 1000 }, { 4, 0, 100 }, { 5, 1, 0.1 }, { 6, 0, 100 },
    { 7, 0, 20 }, { 8, 0, 512 }, { 9, 0, 50 }, { 10, 0, 20 }, { 11, 0, 512 }, { 12, 0, 0 }, { 13, 0, 512 },
    { 14, 0, 360 }, { 15, -96, 24 }, { 16, 0, 24 }, { 17, 0, 2000 }, { 18, -96, 24 }, { 19, -48, 48 },
    { 20, -24, 24 }, { 21, 0, 2000 }, { 22, -48, 48 }, { 23, 20, 20000 }, { 24, 0, 19980 }, { 25, 1, 99 },
    { 26, 1, 127 }, { 27, 0, 12 }, { 28, 0, 2000 }, { 29, 0, 12 }, { 30, 0, 1 }, { 31, 0, 1 }, { 32, 0, 1 },
    { 33, 0, 2000 }, { 34, 0, 1 }, { 35, 0, 1 }, { 36, 0, 1 }, { 37, 0, 2000 }, { 38, 0, 1 }, { 39, 0, 100 },
    { 40, 0, 100 }, { 41, 0, 2000 }, { 42, 0, 100 }, { 43, 0, 30 }, { 44, 0, 15 }, { 45, 0, 2000 },
    { 46, 0, 30 }, { 47, 0, 30 }, { 48, 0, 15 }, { 49, 0, 2000 }, { 50, 0, 30 }, { 51, 0, 3 }, { 52, 0, 3 },
    { 53, 0, 512 }, { 54, 0, 360 }, { 55, -96, 24 }, { 56, 0, 24 }, { 57, 0, 2000 }, { 58, -96, 24 },
    { 59, -48, 48 }, { 60, -24, 24 }, { 61, 0, 2000 }, { 62, -48, 48 }, { 63, 20, 20000 }, { 64, 0, 19980 },
    { 65, 0, 100 }, { 66, -48, 48 }, { 67, -50, 50 }, { 68, 0, 512 }, { 69, 0, 360 }, { 70, -96, 24 },
    { 71, 0, 24 }, { 72, 0, 2000 }, { 73, -96, 24 }, { 74, -48, 48 }, { 75, -24, 24 }, { 76, 0, 2000 },
    { 77, -48, 48 }, { 78, 20, 20000 }, { 79, 0, 19980 }, { 80, 0, 100 }, { 81, -48, 48 }, { 82, -50, 50 },
    { 83, -96, 24 }, { 84, 0, 24 }, { 85, 0, 2000 }, { 86, -96, 24 }, { 87, -96, 24 }, { 88, 0, 24 },
    { 89, 0, 2000 }, { 90, -96, 24 }, { 91, -96, 24 }, { 92, 0, 24 }, { 93, 0, 2000 }, { 94, -96, 24 },
    { 95, 0, 128 }, { 96, 0, 4 }, { 97, 0, 100 }, { 98, 0, 100 }, { 99, 20, 20000 }, { 100, -48, 48 },
    { 101, -100, 100 }, { 102, -100, 100 }, { 103, 0.1, 10 }, { 104, 0, 12 }, { 105, -100, 100 },
    { 106, -100, 100 }, { 107, 0, 3 }, { 108, -24, 24 }, { 109, -48, 48 }, { 110, 0, 0 }, { 111, 0, 1 },
    { 112, -2, 2 }, { 113, 0, 127 }, { 114, 1, 64 }, { 115, -96, 96 }, { 116, 0, 2000 }, { 117, -96, 96 },
    { 118, 0, 48 }, { 119, 0, 200 }, { 120, 0, 2000 }, { 121, 0, 2000 }, { 122, -96, 96 }, { 123, -3, 3 },
    { 124, -96, 24 }, { 125, 0, 2000 }, { 126, -96, 24 }, { 127, 0, 24 }, { 128, 0, 500 }, { 129, 0, 2000 },
    { 130, -96, 24 }, { 131, 0, 2000 }, { 132, 0, 128 }, { 133, 0, 100 }, { 134, 0, 100 }, { 135, -48, 48 },
    { 136, -2, 2 }, { 137, -24, 24 }, { 138, -24, 24 }, { 139, -24, 24 }, { 140, -24, 24 }, { 141, -24, 24 },
    { 142, -24, 24 }, { 143, 0, 1 }, { 144, -96, 24 }, { 145, 0, 2000 }, { 146, -96, 24 }, { 147, 0, 24 },
    { 148, 0, 500 }, { 149, 0, 2000 }, { 150, -96, 24 }, { 151, 0, 2000 }, { 152, 0, 19980 },
    { 153, 0, 19980 }, { 154, 0, 19980 }, { 155, 0, 100 }, { 156, 1, 100 }, { 157, -2, 2 },
};

TEST(ParameterValues, EveryIndexSpansItsRange)
{
    ASSERT_EQ(std::size(kRanges), static_cast<size_t>(kNumParameters));
    for (const Range& range : kRanges) {
        const double tolerance = 1e-12 * std::fmax(1.0, std::fabs(range.atOne));
        EXPECT_NEAR(displayQuantity(range.index, 0.0f), range.atZero, 1e-12) << range.index;
        EXPECT_NEAR(displayQuantity(range.index, 1.0f), range.atOne, tolerance) << range.index;
    }
}

TEST(ParameterValues, CurvesInBetweenAndExactBounds)
{
    EXPECT_NEAR(displayQuantity(kEnvSlope, 0.4444444f), 0.2, 1e-7);
    EXPECT_NEAR(displayQuantity(kCutoff, 0.5f), 20.0 * std::sqrt(1000.0), 1e-9);
    EXPECT_NEAR(displayQuantity(kO2HPF, 0.5f), 20.0 * std::sqrt(1000.0) - 20.0, 1e-9);
    EXPECT_NEAR(displayQuantity(kO1DetRndFrq, 0.5f), 10.0, 1e-12);
    EXPECT_EQ(displayQuantity(kO1Density, 0.5f), 63.0);
    EXPECT_EQ(displayQuantity(kOversampling, 0.5f), 32.0);
    EXPECT_EQ(displayQuantity(kO1Wave, 3.0f), 1536.0);
    EXPECT_EQ(displayQuantity(kO1LPF, 1.0f), 20000.0);
    EXPECT_EQ(displayQuantity(kO1HPF, 0.0f), 0.0);
}

TEST(ParameterValues, StepsCountedFromTheirMultiplier)
{
    // A host that wants step k sends k divided by the multiplier; the product
    // is rounded to single precision before the floor, so every step is hit.
    int missedByDoubleFloor = 0;
    for (int k = 0; k <= 96; ++k) {
        const float v = static_cast<float>(k) / 96.0f;
        EXPECT_EQ(displayQuantity(kO2CoarseTune, v), k - 48) << k;
        EXPECT_EQ(displayQuantity(kO3CoarseTune, v), k - 48) << k;
        missedByDoubleFloor += std::floor(static_cast<double>(v) * 96.0) != k;
    }
    EXPECT_GT(missedByDoubleFloor, 0) << "some k/96 fall just below k when multiplied in double";
    for (int k = 0; k <= 512; ++k)
        EXPECT_EQ(displayQuantity(kO1Wave, static_cast<float>(k) / 512.0f), k) << k;
    for (int k = 0; k <= 128; ++k) {
        EXPECT_EQ(displayQuantity(kFilterMode, static_cast<float>(k) / 128.0f), k) << k;
        EXPECT_EQ(displayQuantity(kDistMode, static_cast<float>(k) / 128.0f), k) << k;
    }
    for (int k = 0; k <= 127; ++k)
        EXPECT_EQ(displayQuantity(kRefKey, static_cast<float>(k) / 127.0f), k) << k;
    for (int k = 0; k <= 63; ++k) {
        EXPECT_EQ(displayQuantity(kOversampling, static_cast<float>(k) / 63.0f), k + 1) << k;
        EXPECT_EQ(displayQuantity(kO1Density, static_cast<float>(k) / 63.0f), 2 * k + 1) << k;
    }
    for (int k = 0; k <= 4; ++k)
        EXPECT_EQ(displayQuantity(kStages, static_cast<float>(k) / 4.0f), k) << k;
}

TEST(ParameterValues, TruncatedModesReachTheTopOnlyAtOne)
{
    const float belowOne = std::nextafter(1.0f, 0.0f);
    EXPECT_EQ(displayQuantity(kMonoPoly, belowOne), 0.0);
    EXPECT_EQ(displayQuantity(kMonoPoly, 1.0f), 1.0);
    EXPECT_EQ(displayQuantity(kModulation, belowOne), 2.0);
    EXPECT_EQ(displayQuantity(kSyncToOsc1, belowOne), 2.0);
    EXPECT_EQ(displayQuantity(kSyncToOsc1, 1.0f), 3.0);
    EXPECT_EQ(displayQuantity(kModulation, 0.3f), 0.0);
    // Toward zero, not down.
    EXPECT_EQ(displayQuantity(kModulation, -0.2f), 0.0);
    EXPECT_EQ(displayQuantity(kO1Wave, -0.001f), -1.0);
}

TEST(ParameterValues, IntegerQuantitiesSaturate)
{
    EXPECT_EQ(displayQuantity(kO1Wave, 1e30f), INT32_MAX);
    EXPECT_EQ(displayQuantity(kO1Wave, FLT_MAX), INT32_MAX);
    EXPECT_EQ(displayQuantity(kO1Wave, -FLT_MAX), INT32_MIN);
    EXPECT_EQ(displayQuantity(kO1Density, 1e9f), INT32_MAX);
    EXPECT_EQ(displayQuantity(kModulation, -1e20f), INT32_MIN);
    EXPECT_EQ(displayQuantity(kO1Wave, NAN), 0.0);
    EXPECT_EQ(saturateToInt32(-2.7), -2);
    EXPECT_EQ(saturateToInt32(1e300), INT32_MAX);
}

TEST(ParameterValues, OutOfRangeValuesFollowTheFormula)
{
    EXPECT_DOUBLE_EQ(displayQuantity(kVolume, 2.0f), 144.0);
    EXPECT_DOUBLE_EQ(displayQuantity(kO1PitchStart, -1.0f), -144.0);
    EXPECT_TRUE(std::isinf(displayQuantity(kCutoff, 1e6f)));
}

TEST(ParameterValues, StorageAndDefaults)
{
    for (int32_t index = -3; index < kNumParameters + 3; ++index)
        EXPECT_EQ(isStoredParameter(index), index >= 0 && index < kNumParameters && index != 12 && index != 110)
            << index;
    EXPECT_EQ(parameterInfo(-1), nullptr);
    EXPECT_EQ(parameterInfo(kNumParameters), nullptr);
    for (int32_t index : { 2, 111, 156, 12, 110 })
        EXPECT_EQ(parameterInfo(index)->receive, nullptr) << index;
    EXPECT_NE(parameterInfo(kOversampling)->receive, nullptr);
    EXPECT_NE(parameterInfo(kRectify)->receive, nullptr);
}

TEST(ParameterValues, ConstructorOrder)
{
    const int32_t expected[] = { 0, 1, 2, 3, 4, 5, 8, 6, 7, 11, 9, 10, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23,
        24, 152, 25, 26, 27, 28, 29, 30, 155 };
    for (size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(kConstructorDefaults[i].index, expected[i]) << i;
    std::string all = " ";
    for (const ParameterDefault& d : kConstructorDefaults)
        all += std::to_string(d.index) + " ";
    EXPECT_NE(all.find(" 79 154 80 81 82 31 32 "), std::string::npos);
    EXPECT_NE(all.find(" 51 52 83 84 "), std::string::npos);
    EXPECT_NE(all.find(" 106 107 108 157 109 112 113 "), std::string::npos);
    EXPECT_NE(all.find(" 141 142 144 145 "), std::string::npos);
    EXPECT_EQ(kConstructorDefaults.back().index, 151);
    bool seen[kNumParameters] = {};
    for (const ParameterDefault& d : kConstructorDefaults) {
        EXPECT_FALSE(seen[d.index]) << d.index;
        seen[d.index] = true;
    }
    for (int32_t never : { 12, 110, 111, 143, 156 })
        EXPECT_FALSE(seen[never]) << never;
    EXPECT_EQ(kConstructorDefaults[0].value, 0.8f);
    EXPECT_EQ(kConstructorDefaults[12].value, 3.0f); // index 13
}

TEST(ParameterValues, RefreshReachesEveryReceiverOnce)
{
    int count[kNumParameters] = {};
    for (int32_t index : engineRefreshOrder())
        ++count[index];
    for (int32_t index = 0; index < kNumParameters; ++index)
        EXPECT_EQ(count[index], parameterInfo(index)->receive ? 1 : 0) << index;
}

TEST(ParameterText, TextsBeyondTheNamedValues)
{
    // The common texts are checked through the loaded plug-in; these are the
    // stretches a host rarely reaches.
    EXPECT_EQ(valueText(kFatness, 0.0f), "0.000000");
    EXPECT_EQ(valueText(kFatness, 0.5f), "0.500000");
    EXPECT_EQ(valueText(kO1HPF, 1e-6f), "0.000138"); // 20 (1000^v - 1) is about 20 v ln 1000
    EXPECT_EQ(valueText(kO1DetSpacing, 0.49f), "exp");
    EXPECT_EQ(valueText(kModulation, 2.0f), "");
    EXPECT_EQ(valueText(kSyncToOsc1, -1.0f), "");
    EXPECT_EQ(valueText(kRefKey, 2.0f), "ERR ");
    EXPECT_EQ(valueText(kO1Wave, -1.0f), "Reserved");
    EXPECT_EQ(valueText(kFilterMode, -0.5f), "-64.0000");
    EXPECT_EQ(valueText(kResoByCutoff, 1.0f), "1.412537"); // 3 dB as a factor
    EXPECT_EQ(valueText(kFiltEnvDurByVel, 0.0f), "0.125000");
    for (int32_t silent : { 12, 110, 152, 153, 154, -1, 158 })
        EXPECT_EQ(valueText(silent, 0.5f), "") << silent;
    // Too large for eight characters, or beyond the float range.
    EXPECT_EQ(valueText(kVolume, 1e7f), "Huge!");
    EXPECT_EQ(valueText(kVolume, FLT_MAX), "Huge!");
}

TEST(ParameterText, NoteNames)
{
    const char* classes[] = { "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B" };
    for (int32_t note = 0; note <= 127; ++note) {
        std::string expected = std::string(classes[note % 12]) + std::to_string(note / 12 - 1);
        expected.resize(4, ' ');
        char text[16];
        getNoteName(note, text);
        EXPECT_EQ(std::string(text), expected) << note;
    }
    char text[16];
    getNoteName(-1, text);
    EXPECT_STREQ(text, "ERR ");
    getNoteName(128, text);
    EXPECT_STREQ(text, "ERR ");
}

std::string converted(void (*convert)(float, char*), float value)
{
    char text[64];
    convert(value, text);
    return text;
}

TEST(ParameterText, EditorConverters)
{
    EXPECT_EQ(converted(convertLongName, 16.9f), "Osc1 AmpRamp StartByVel");
    EXPECT_EQ(converted(convertLongName, 152.0f), "ParamTag unknown");
    EXPECT_EQ(converted(convertLongName, 12.0f), "DC Block");
    EXPECT_EQ(converted(convertLongName, 110.0f), "ParamTag unknown");
    EXPECT_EQ(converted(convertLongName, 136.0f), "ParamTag unknown");
    EXPECT_EQ(converted(convertLongName, -3.0f), "ParamTag unknown");
    EXPECT_EQ(converted(convertLongName, 1e30f), "ParamTag unknown");
    EXPECT_EQ(converted(convertLongName, NAN), "ParamTag unknown");

    EXPECT_EQ(converted(convertNumber, -3.14159f), "-3.14");
    EXPECT_LT(converted(convertNumber, -FLT_MAX).size(), 48u);

    EXPECT_EQ(converted(convertPhase, 1.0f), "free");
    EXPECT_EQ(converted(convertPhase, 0.5f), "180.00");
    EXPECT_EQ(converted(convertPhase, 0.0f), "0.00");
    EXPECT_EQ(converted(convertPhase, 359.98f / 360.0f), "359.98");
    EXPECT_EQ(converted(convertPhase, 0.99999f), "free");
    EXPECT_EQ(converted(convertPhase, NAN), "free");

    EXPECT_EQ(converted(convertUnit, 7.0f), "FM Index");
    EXPECT_EQ(converted(convertUnit, 9.0f), "UnitTag Unknown");
    EXPECT_EQ(converted(convertUnit, 8.5f), "degrees");
    EXPECT_EQ(converted(convertUnit, -1.0f), "UnitTag Unknown");
    EXPECT_EQ(converted(convertUnit, 1e20f), "UnitTag Unknown");
}

} // namespace
