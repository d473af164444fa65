// The same sound through both forms: the renderer plays one MIDI file
// through the VST 2 plug-in and through the LV2 bundle, with the same patch
// set in each form's own terms, and the samples must agree.
#include "tests/support/Signals.h"
#include "tests/tools/RenderTestSupport.h"


namespace fs = std::filesystem;

namespace {

// Renders the demo phrase with one second of tail and the given options
// (plain words: no quoting); the samples, interleaved.
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

TEST(Lv2Render, BothFormsPlayTheSameSamples)
{
    // A lowpass filter with resonance 5.05 (its cutoff follows controller 74
    // in the phrase) and a saw on oscillator 2; oscillator 1's own lowpass at
    // 158.87 Hz opens to 5023.77 Hz after a second. VST 2 takes normalised
    // values by parameter number, LV2 the quantities by port symbol.
    const auto vst = render("--param 95=0.0078125 --param 103=0.5 --param 53=0.01171875 --param 23=0.3"
                            " --param 1:23=0.8");
    const auto lv2 = render("--lv2 https://kelmori.audio/lv2/zarvex --param FilterMode=1 --param Reso=5.05"
                            " --param O2Wave=6 --param O1LPF=158.865647 --param 1:O1LPF=5023.77286");
    ASSERT_EQ(lv2.size(), vst.size());
    std::vector<double> difference(vst.size());
    std::transform(vst.begin(), vst.end(), lv2.begin(), difference.begin(), std::minus<double>());
    const double peak = peakOf({ vst.begin(), vst.end() });
    EXPECT_GT(peak, 0.01);
    EXPECT_LE(peakOf(difference), 1e-6 * peak);
}

} // namespace
