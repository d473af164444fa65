// The factory bank as players meet it: loaded by the renderer and by the
// plug-in's program calls, and every sound rendered on its phrase, where its
// level must sit in a common window and it must sound unlike the others that
// share its phrase.

#include "dsp/FourierTransformer.h"
#include "presets/FactorySource.h"
#include "tests/support/Signals.h"
#include "tests/tools/RenderTestSupport.h"
#include "tools/render/Files.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <numbers>
#include <numeric>
#include <set>

#include <unistd.h>

namespace {

const std::string presets = ZARVEX_PRESETS_DIR;
const std::string factory = ZARVEX_FACTORY_DIR;
const std::string bankPath = factory + "/" + factoryBankFileName;

BankFile factoryBank() { return decodeBank(readWholeFile(bankPath, "bank", 1u << 20), bankPath); }

std::vector<FactorySource> factorySources()
{
    std::vector<FactorySource> sources;
    for (const auto& path : factorySourcePaths(presets + "/sources"))
        sources.push_back(readFactorySource(path));
    return sources;
}

ProgramFile programFile(size_t number, const std::string& name)
{
    const auto path = factory + "/" + factoryProgramFileName(number, name);
    return decodeProgram(readWholeFile(path, "program", 1u << 16), path);
}

double dB(double ratio) { return 20.0 * std::log10(ratio); }

// Left channel of an interleaved render.
std::vector<double> leftOf(const std::vector<float>& stereo)
{
    std::vector<double> x;
    for (size_t i = 0; i < stereo.size(); i += 2)
        x.push_back(stereo[i]);
    return x;
}

// RMS over the sounding part: from the first to the last sample within 40 dB of the peak.
double loudness(const std::vector<double>& x, double peak)
{
    const auto loud = [&](double v) { return std::fabs(v) >= peak / 100.0; };
    const auto first = std::find_if(x.begin(), x.end(), loud);
    const auto last = std::find_if(x.rbegin(), x.rend(), loud).base();
    double sum = 0.0;
    for (auto s = first; s < last; ++s)
        sum += *s * *s;
    return last > first ? std::sqrt(sum / static_cast<double>(last - first)) : 0.0;
}

// What tells sounds on one phrase apart: the share of the energy in each
// octave band from 31 Hz up, and in each tenth of a second, in dB.
std::vector<double> fingerprint(const std::vector<double>& x, double rate)
{
    constexpr int64_t n = 8192;
    constexpr size_t octaves = 10;
    auto fft = std::make_unique<FourierTransformer>();
    fft->setLength(n);
    std::vector<double> frame(n), magnitudes(n / 2), bands(octaves, 1e-30);
    for (size_t start = 0; start + n <= x.size(); start += n / 2) {
        for (int64_t i = 0; i < n; ++i)
            frame[i] = x[start + i] * (0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / n));
        fft->transformToMagnitudes(frame.data(), magnitudes.data());
        for (int64_t k = 1; k < n / 2; ++k) {
            const double octave = std::floor(std::log2(k * rate / n / 31.25));
            if (octave >= 0 && octave < octaves)
                bands[static_cast<size_t>(octave)] += magnitudes[k] * magnitudes[k];
        }
    }
    const size_t tenth = static_cast<size_t>(rate / 10);
    for (size_t start = 0; start < x.size(); start += tenth) {
        double energy = 1e-30;
        for (size_t i = start; i < std::min(x.size(), start + tenth); ++i)
            energy += x[i] * x[i];
        bands.push_back(energy);
    }
    const auto normalise = [](auto from, auto to) {
        const double total = std::accumulate(from, to, 0.0);
        std::for_each(from, to, [&](double& e) { e = 10.0 * std::log10(e / total); });
    };
    normalise(bands.begin(), bands.begin() + octaves);
    normalise(bands.begin() + octaves, bands.end());
    return bands;
}

} // namespace

// The bank and program files hold every source as its own program; the
// renderer loads the bank and saves it back unchanged, and the plug-in's
// program calls recall each program's name and values.
TEST(FactoryBank, HoldsEverySourceAndLoadsThroughTheRendererAndThePluginsProgramCalls)
{
    const auto bank = factoryBank();
    const auto sources = factorySources();
    ASSERT_EQ(bank.programs.size(), 32u);
    ASSERT_EQ(sources.size(), bank.programs.size());
    std::set<std::string> names;
    std::set<std::vector<float>> valueSets;
    for (size_t i = 0; i < sources.size(); ++i) {
        const auto program = programFile(i, sources[i].name);
        EXPECT_EQ(bank.programs[i].name, sources[i].name);
        EXPECT_EQ(program.pluginId, bank.pluginId);
        EXPECT_EQ(program.program.name, bank.programs[i].name);
        EXPECT_EQ(program.program.values, bank.programs[i].values) << sources[i].name;
        names.insert(bank.programs[i].name);
        valueSets.insert(bank.programs[i].values);
    }
    EXPECT_EQ(names.size(), 32u);
    EXPECT_EQ(valueSets.size(), 32u);

    const auto copy = (std::filesystem::temp_directory_path()
        / ("zarvex-factory-copy-" + std::to_string(getpid()) + ".fxb")).string();
    const std::string command = std::string(ZARVEX_RENDER_PATH) + " --plugin " + ZARVEX_PLUGIN_PATH + " --load '"
        + bankPath + "' --save-bank " + copy + " >/dev/null 2>&1 </dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_TRUE(readWholeFile(copy, "bank", 1u << 20) == readWholeFile(bankPath, "bank", 1u << 20))
        << "the bank saved back differs";
    std::filesystem::remove(copy);

    HostedPlugin plugin(ZARVEX_PLUGIN_PATH, 44100.0, 512);
    plugin.load(bank, bankPath);
    for (int32_t i = plugin.programCount() - 1; i >= 0; --i) {
        plugin.selectProgram(i);
        EXPECT_EQ(plugin.programName(i), bank.programs[i].name);
        EXPECT_EQ(plugin.readProgram().values, bank.programs[i].values) << bank.programs[i].name;
    }
}

// Each sound from its own program file on a fresh instance, as a player who
// picks it finds it: peaks between -12 and -1 dBFS, loudness within 6 dB of
// each other, at both rates; and at 44.1 kHz no two sounds on one phrase
// alike within 6 dB in every octave band and every tenth of a second.
TEST(FactorySounds, SitInOneLevelWindowAtBothRatesAndSoundUnlikeEachOther)
{
    const auto sources = factorySources();
    double quietest = std::numeric_limits<double>::infinity(), loudest = -quietest;
    std::map<std::string, std::vector<std::pair<std::string, std::vector<double>>>> byPhrase;
    for (size_t i = 0; i < sources.size(); ++i) {
        SCOPED_TRACE(sources[i].name);
        const auto program = programFile(i, sources[i].name);
        const auto phrase = readMidiFile(presets + "/phrases/" + sources[i].phrase + ".mid");
        for (double rate : { 44100.0, 96000.0 }) {
            SCOPED_TRACE(rate);
            HostedPlugin plugin(ZARVEX_PLUGIN_PATH, rate, 512);
            plugin.load(program, sources[i].name);
            const auto x = leftOf(renderAll(plugin, phrase, { TailMode::fixed, 0.5 }));
            ASSERT_TRUE(std::all_of(x.begin(), x.end(), [](double v) { return std::isfinite(v); }));
            const double peak = peakOf(x);
            EXPECT_GE(dB(peak), -12.0);
            EXPECT_LE(dB(peak), -1.0);
            quietest = std::min(quietest, dB(loudness(x, peak)));
            loudest = std::max(loudest, dB(loudness(x, peak)));
            if (rate == 44100.0)
                byPhrase[sources[i].phrase].emplace_back(sources[i].name, fingerprint(x, rate));
        }
    }
    EXPECT_LE(loudest - quietest, 6.0);
    for (const auto& [phrase, sounds] : byPhrase)
        for (size_t a = 0; a < sounds.size(); ++a)
            for (size_t b = a + 1; b < sounds.size(); ++b) {
                double difference = 0.0;
                for (size_t k = 0; k < sounds[a].second.size(); ++k)
                    difference = std::max(difference, std::fabs(sounds[a].second[k] - sounds[b].second[k]));
                EXPECT_GE(difference, 6.0) << sounds[a].first << " and " << sounds[b].first << " sound alike";
            }
}
