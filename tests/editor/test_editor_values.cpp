#include "tests/editor/EditorFixture.h"

#include "plugin/ParameterText.h"
#include "plugin/Parameters.h"

#include <cctype>
#include <cmath>

#include <tuple>

namespace {

enum Page { kStrip = -1, kOverview, kOscillators, kModulations, kFilter, kAmpAndDist };
using Strings = std::vector<std::string>;

class EditorValues : public EditorFixture {
protected:
    // Every page's shown texts and values, read-outs included.
    std::vector<std::tuple<int, int, float, std::string>> snapshot()
    {
        const int page = editor().getPage();
        std::vector<std::tuple<int, int, float, std::string>> all;
        for (int p = 0; p < ZarvexPlugEditor::kNumPages; ++p) {
            showPage(p);
            for (CView* view : shown()) {
                auto* display = dynamic_cast<CParamDisplay*>(view);
                all.emplace_back(p, static_cast<CControl*>(view)->getTag(), static_cast<CControl*>(view)->getValue(),
                    display ? display->getText() : "");
            }
        }
        showPage(page);
        return all;
    }
    std::string hostDisplay(int index)
    {
        char text[64] = {};
        plug->getParameterDisplay(index, text);
        return text;
    }
    static Strings entries(const COptionMenu* m)
    {
        Strings e;
        for (int i = 0; i < m->getNbEntries(); ++i)
            e.push_back(m->getEntry(i));
        return e;
    }
};

// Display values worked out by hand from each parameter's unit and range.
struct Shown {
    int index;
    float value;
    int page; // where it is shown; kStrip for the strip
    bool knob; // a knob with a value display shows it
    const char* readout;
    const char* unit;
};
const Shown kShown[] = {
    { 6, 0.5f, kStrip, true, "50.00", "%" },
    { 0, 0.5f, kStrip, true, "-36.00", "dB" },
    { 1, 0.5f, kStrip, false, "12.00", "dB" },
    { 3, 0.25f, kStrip, true, "250.00", "ms" },
    { 5, 0.5f, kStrip, true, "0.18", "" },
    { 7, 0.5f, kStrip, true, "10.00", "Hz" },
    { 18, 0.25f, kOverview, true, "-66.00", "dB" },
    { 18, 0.25f, kOscillators, true, "-66.00", "dB" },
    { 23, 0.5f, kOscillators, true, "632.46", "Hz" },
    { 24, 0.5f, kOscillators, true, "612.46", "Hz" },
    { 25, 0.0f, kOscillators, true, "1.00", "%" },
    { 26, 0.5f, kOscillators, true, "63.00", "%" },
    { 27, 0.5f, kOscillators, true, "6.00", "semitones" },
    { 66, 0.3f, kOscillators, true, "-20.00", "semitones" },
    { 67, 0.75f, kOscillators, true, "25.00", "cent" },
    { 43, 0.5f, kModulations, true, "15.00", "FM Index" },
    { 44, 0.5f, kModulations, false, "7.50", "FM Index" },
    { 101, 0.25f, kFilter, true, "-50.00", "" },
    { 103, 0.0f, kFilter, true, "0.10", "" },
    { 107, 1.0f, kFilter, true, "3.00", "" },
    { 112, 0.75f, kFilter, true, "1.00", "" },
    { 113, 0.5f, kFilter, true, "63.00", "" },
    { 115, 0.25f, kFilter, true, "-48.00", "semitones" },
    { 118, 0.5f, kFilter, false, "24.00", "semitones" },
    { 119, 0.5f, kFilter, true, "100.00", "ms" },
    { 123, 0.75f, kFilter, true, "2.83", "" },
    { 128, 0.5f, kAmpAndDist, true, "250.00", "ms" },
    { 137, 0.25f, kAmpAndDist, true, "-12.00", "dB" },
    { 143, 0.3f, kAmpAndDist, true, "0.30", "" },
    { 111, 0.4f, kStrip, false, "0.40", "" },
};

const Strings kWaveformText { "Off", "WhiteNoise", "PinkNoise", "Sine", "Triangle", "Pulse", "SawUp", "SawDown",
    "PeakUp", "PeakDown", "MoogSaw", "EvenOnly", "SinOcts", "SawOcts", "WhiteNoiseCycle", "PinkNoiseCycle", "BrownNoiseCycle" };
const Strings kWaveEntries { "Off", "White Noise", "Pink Noise", "Sine", "Triangle", "Pulse", "SawUp", "SawDown",
    "PeakUp", "PeakDown", "MoogSaw", "SqrMinusSine", "SinOcts", "SawOcts", "WhiteNoiseCycle", "PinkNoiseCycle",
    "BrownNoiseCycle" };

Strings first(const Strings& s, long n)
{
    return Strings(s.begin(), s.begin() + n);
}

} // namespace

TEST_F(EditorValues, HostChangesShowOnTheKnobsAndInTheReadouts)
{
    for (const Shown& s : kShown) {
        SCOPED_TRACE(testing::Message() << "parameter " << s.index << " at " << s.value);
        if (s.page != kStrip)
            showPage(s.page);
        plug->setParameter(s.index, s.value);
        if (s.knob) {
            ASSERT_NE(knob(s.index), nullptr);
            EXPECT_FLOAT_EQ(knob(s.index)->getValue(), s.value);
            EXPECT_EQ(one<CParamDisplay>(s.index)->getText(), s.readout);
        }
        EXPECT_EQ(valueText(), s.readout);
        EXPECT_EQ(unitText(), s.unit);
    }
}

// Wherever the read-out and the host's text show the same quantity, they
// agree: at every exact host step of 96, 127 and 128 and across the range.
TEST_F(EditorValues, ReadoutsAgreeWithTheHostDisplay)
{
    std::vector<float> values;
    for (int steps : { 96, 127, 128 })
        for (int k = 0; k <= steps; ++k)
            values.push_back(float(k) / float(steps));
    for (int k = 0; k <= 1000; k += 7)
        values.push_back(float(k) / 1000.0f);
    int compared = 0;
    for (int index = 0; index < kNumParameters; ++index) {
        const ParameterInfo& info = *parameterInfo(index);
        // The host shows the dB of these as a factor: another quantity.
        if (info.readout == Readout::none || info.text == ValueText::decibelFactor)
            continue;
        const double scale = info.readout == Readout::percent ? 100.0 : 1.0;
        for (float v : values) {
            plug->setParameter(index, v);
            const std::string shown = valueText(), host = hostDisplay(index);
            SCOPED_TRACE(testing::Message() << "parameter " << index << " at " << v << ": " << shown << " / " << host);
            if (info.text == ValueText::noteName) {
                char name[8];
                getNoteName(std::stoi(shown), name);
                EXPECT_EQ(name, host);
            } else if (!host.empty() && (std::isdigit(host[0]) || host[0] == '-')) { // not "bypass"
                // The host's eight characters are cut, the read-out's two decimals rounded.
                const size_t point = host.find('.');
                const double cut = point == std::string::npos ? 1.0 : std::pow(10.0, -double(host.size() - point - 1));
                EXPECT_NEAR(std::stod(shown), scale * std::stod(host), 0.005 + scale * cut + 1e-6);
            } else {
                continue;
            }
            ++compared;
        }
    }
    EXPECT_GT(compared, 50000);
}

TEST_F(EditorValues, ParametersWithoutControlsTouchOnlyTheReadoutsAndMenusNotEvenThose)
{
    plug->setParameter(kVolume, 0.5f);
    const auto before = snapshot();
    for (int index : { int(kMonoPoly), int(kDCBlock), int(kOversampling), int(kO1DetRndFrq), -1, 158, 1000 })
        plug->setParameter(index, 0.3f);
    EXPECT_EQ(snapshot(), before) << "an inert parameter changed the editor";

    plug->setParameter(kUnused110, 0.3f);
    EXPECT_EQ(nameText(), "ParamTag unknown");
    EXPECT_EQ(valueText(), "0.00"); // the plug-in stores nothing for it
    EXPECT_EQ(unitText(), "");
    const auto after = snapshot();
    ASSERT_EQ(after.size(), before.size());
    int differing = 0;
    for (size_t i = 0; i < after.size(); ++i)
        differing += after[i] != before[i];
    EXPECT_EQ(differing, 3 * ZarvexPlugEditor::kNumPages) << "only the three read-outs, seen on every page";

    // Menu parameters show on their menus only.
    plug->setParameter(kVibWave, 3.0f / 512.0f);
    EXPECT_EQ(menu(kVibWave)->getText(), "Sine");
    EXPECT_EQ(nameText(), "ParamTag unknown");
    EXPECT_EQ(valueText(), "0.00");
}

// Every entry chosen with the mouse reaches the host as the mode its text
// names; where the modes share the range evenly, as the middle of its share.
TEST_F(EditorValues, MenusSendTheModeTheyName)
{
    struct Menu {
        int page, param;
        Strings entries, hostTexts;
        float share = 0.0f;
    };
    const Strings modulationTexts { "preFilt ", "postFilt", "postFilt&Env" };
    const Strings syncEntries { "nothing", "Osc 2", "Osc 3", "Osc 2 & 3" };
    const Strings syncTexts { "off", "osc 2", "osc 3", "osc 2&3" };
    const Strings filterNames { "bypass", "LPF", "HPF", "BPF 1", "BPF 2", "BRF", "APF", "Peak", "LowShelf",
        "HighShelf", "Moog LPF", "303 LPF" };
    const Strings distEntries { "bypass", "linear mapping", "tanh mapping" };
    const Strings distTexts { "0.000000", "1.000000", "2.000000" };
    const float wave = 1 / 512.0f, filter = 1 / 128.0f;
    const Menu menus[] = {
        { kOverview, kVibWave, first(kWaveEntries, 14), first(kWaveformText, 14), wave },
        { kOverview, kPWMWave, first(kWaveEntries, 14), first(kWaveformText, 14), wave },
        { kOverview, kO1Wave, kWaveEntries, kWaveformText, wave },
        { kOverview, kO2Wave, kWaveEntries, kWaveformText, wave },
        { kOscillators, kO1Wave, kWaveEntries, kWaveformText, wave },
        { kOscillators, kO2Wave, kWaveEntries, kWaveformText, wave },
        { kOscillators, kO3Wave, kWaveEntries, kWaveformText, wave },
        { kOverview, kModulation, { "preFlt", "pstFlt", "pstEnv" }, modulationTexts },
        { kModulations, kModulation, { "pre Filter", "post Filter", "post Envelope" }, modulationTexts },
        { kOverview, kSyncToOsc1, syncEntries, syncTexts },
        { kModulations, kSyncToOsc1, syncEntries, syncTexts },
        { kOscillators, kO1DetSpacing, { "exponential", "linear" }, { "exp", "lin" }, 0.5f },
        { kOverview, kFilterMode,
            { "Bypass", "LPF (R.B.J.)", "HPF (R.B.J.)", "BPF1 (R.B.J.)", "BPF2 (R.B.J.)", "BRF (R.B.J.)",
                "Allpass (R.B.J.)", "Peaking (R.B.J.)", "Low-Shelf (R.B.J.)", "High-Shelf (R.B.J.)",
                "Moog LPF (Kelmori)", "303 LPF (Kelmori)" },
            filterNames, filter },
        { kFilter, kFilterMode,
            { "Bypass", "LPF (R.B. Johnson)", "HPF (R.B. Johnson)", "BPF const skirt (R.B. Johnson)",
                "BPF const peak (R.B. Johnson)", "BRF (R.B. Johnson)", "Allpass (R.B. Johnson)",
                "Peaking (R.B. Johnson)", "Low-Shelf (R.B. Johnson)", "High-Shelf (R.B. Johnson)",
                "Moog LPF (Kelmori)", "303 LPF (Kelmori)" },
            filterNames, filter },
        { kOverview, kDistMode, distEntries, distTexts },
        { kAmpAndDist, kDistMode, distEntries, distTexts },
    };
    for (const Menu& m : menus) {
        SCOPED_TRACE(testing::Message() << "page " << m.page << " menu " << m.param);
        showPage(m.page);
        ASSERT_EQ(entries(menu(m.param)), m.entries);
        for (size_t entry = 0; entry < m.entries.size(); ++entry) {
            choose(menu(m.param), int(entry));
            EXPECT_EQ(lastAutomation.index, m.param);
            if (m.share > 0.0f) {
                EXPECT_FLOAT_EQ(lastAutomation.value, (float(entry) + 0.5f) * m.share);
            }
            EXPECT_EQ(hostDisplay(m.param), m.hostTexts[entry]) << m.entries[entry];
            EXPECT_EQ(menu(m.param)->getCurrent(), int(entry));
        }
    }
    showPage(kFilter);
    choose(menu(kStages), 3);
    EXPECT_EQ(lastAutomation.index, kStages);
    EXPECT_FLOAT_EQ(lastAutomation.value, 3.5f * 0.25f);
}

TEST_F(EditorValues, HostValuesSelectTheEntryOfTheirMode)
{
    showPage(kModulations);
    struct Case {
        int param;
        float value;
        const char* entry;
    };
    for (const Case c : { Case { kModulation, 0.0f, "" }, Case { kModulation, 0.34f, "pre Filter" },
             Case { kModulation, 0.5f, "pre Filter" }, Case { kModulation, 0.9f, "post Filter" },
             Case { kModulation, 1.0f, "post Envelope" }, Case { kSyncToOsc1, 0.0f, "nothing" },
             Case { kSyncToOsc1, 0.4f, "Osc 2" }, Case { kSyncToOsc1, 0.7f, "Osc 3" },
             Case { kSyncToOsc1, 1.0f, "Osc 2 & 3" } }) {
        plug->setParameter(c.param, c.value);
        EXPECT_EQ(menu(c.param)->getText(), c.entry) << c.param << " at " << c.value;
    }
    // No entry is waveform 1536, the oscillator 1 default.
    showPage(kOscillators);
    EXPECT_EQ(menu(kO1Wave)->getText(), "");
    plug->setParameter(kO1Wave, 3.0f / 512.0f);
    EXPECT_EQ(menu(kO1Wave)->getText(), "Sine");
    plug->setParameter(kO1DetSpacing, 1.0f);
    EXPECT_EQ(menu(kO1DetSpacing)->getText(), "linear");
    // Five stages have no entry either.
    showPage(kFilter);
    plug->setParameter(kStages, 1.0f);
    EXPECT_EQ(menu(kStages)->getText(), "");
}

TEST_F(EditorValues, FilterModeRelabelsTheStagesAndKeepsTheirChoice)
{
    showPage(kFilter);
    COptionMenu* stages = menu(kStages);
    EXPECT_EQ(entries(stages), Strings(4, "0 dB/oct"));
    plug->setParameter(kStages, 0.625f);
    EXPECT_EQ(stages->getCurrent(), 2);

    choose(menu(kFilterMode), 6);
    EXPECT_EQ(entries(stages), (Strings { "180\xB0 @ Freq", "360\xB0 @ Freq", "540\xB0 @ Freq", "720\xB0 @ Freq" }));
    EXPECT_EQ(stages->getCurrent(), 2);
    EXPECT_EQ(stages->getText(), "540\xB0 @ Freq");

    // The host's mode changes relabel them as well.
    struct Case {
        int mode;
        const char* third;
    };
    for (const Case c : { Case { 1, "36 dB/oct" }, Case { 2, "36 dB/oct" }, Case { 3, "2*18 dB/oct" },
             Case { 5, "2*18 dB/oct" }, Case { 7, "Gain * 3" }, Case { 9, "Gain * 3" }, Case { 10, "18 dB/oct" },
             Case { 11, "18 dB/oct" }, Case { 0, "0 dB/oct" } }) {
        plug->setParameter(kFilterMode, c.mode / 128.0f + 1 / 256.0f);
        EXPECT_EQ(stages->getText(), c.third) << "mode " << c.mode;
        EXPECT_EQ(stages->getNbEntries(), 4);
    }
    // A mode only automation reaches has neither a menu entry nor stage texts.
    plug->setParameter(kFilterMode, 1.0f);
    EXPECT_EQ(menu(kFilterMode)->getText(), "");
    EXPECT_EQ(stages->getNbEntries(), 0);
    EXPECT_EQ(stages->getText(), "");
}
