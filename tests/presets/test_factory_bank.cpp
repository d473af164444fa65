// The factory bank as players meet it: loaded by the renderer and by the
// plug-in's program calls, and every sound rendered on its phrase, where its
// level must sit in a common window and its character must be measurable.

#include "dsp/FourierTransformer.h"
#include "presets/FactorySource.h"
#include "tests/tools/RenderTestSupport.h"
#include "tools/render/Files.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <set>

#include <unistd.h>

namespace {

const std::string presets = ZARVEX_PRESETS_DIR;
const std::string factory = ZARVEX_FACTORY_DIR;
const std::string bankPath = factory + "/" + factoryBankFileName;

constexpr double rates[] = { 44100.0, 96000.0 };
constexpr double tailSeconds = 0.5;

BankFile factoryBank() { return decodeBank(readWholeFile(bankPath, "bank", 1u << 20), bankPath); }

std::vector<FactorySource> factorySources()
{
    std::vector<FactorySource> sources;
    for (const auto& path : factorySourcePaths(presets + "/sources"))
        sources.push_back(readFactorySource(path));
    return sources;
}

std::string programFile(size_t number, const std::string& name)
{
    return factory + "/" + factoryProgramFileName(number, name);
}

double noteHz(int key) { return 440.0 * std::pow(2.0, (key - 69) / 12.0); }
double dB(double ratio) { return 20.0 * std::log10(ratio); }
double powerDb(double ratio) { return 10.0 * std::log10(ratio); }

// One sound's render (one channel) and the measurements its character is
// checked with. Times are seconds from the start of the phrase.
class Take {
public:
    Take(const std::vector<float>& stereo, double rate)
        : rate(rate)
    {
        for (size_t i = 0; i < stereo.size(); i += 2)
            x.push_back(stereo[i]);
    }

    bool finite() const
    {
        return std::all_of(x.begin(), x.end(), [](double v) { return std::isfinite(v); });
    }
    double peak() const
    {
        double p = 0.0;
        for (double v : x)
            p = std::max(p, std::fabs(v));
        return p;
    }
    // RMS over the sounding part: from the first to the last sample within
    // 40 dB of the peak.
    double loudness() const
    {
        const double floor = peak() / 100.0;
        const auto loud = [&](double v) { return std::fabs(v) >= floor; };
        const auto first = std::find_if(x.begin(), x.end(), loud);
        const auto last = std::find_if(x.rbegin(), x.rend(), loud).base();
        return rmsOf(static_cast<size_t>(first - x.begin()), static_cast<size_t>(last - x.begin()));
    }
    double rms(double from, double to) const { return rmsOf(at(from), at(to)); }

    // Power spectrum of n samples from the given time on, Hann-windowed.
    std::vector<double> power(double from, int64_t n = 8192) const
    {
        std::vector<double> frame(n, 0.0), magnitudes(n / 2);
        for (int64_t i = 0; i < n && at(from) + i < x.size(); ++i)
            frame[i] = x[at(from) + i] * (0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / n));
        fourier->setLength(n);
        fourier->transformToMagnitudes(frame.data(), magnitudes.data());
        for (double& m : magnitudes)
            m *= m;
        return magnitudes;
    }
    double binHz(size_t bins) const { return rate / (2.0 * bins); }

    // Share of the whole take's energy from lo to hi Hz.
    double bandShare(double lo, double hi) const
    {
        const auto p = averagePower();
        return sumWhere(p, [&](double f) { return f >= lo && f < hi; }) / sumWhere(p, [](double) { return true; });
    }
    // Geometric over arithmetic mean of the whole take's power from lo to hi
    // Hz: near 1 for white noise, near 0 for tones.
    double flatness(double lo, double hi) const
    {
        const auto p = averagePower();
        double logSum = 0.0, sum = 0.0;
        int count = 0;
        for (size_t k = 0; k < p.size(); ++k)
            if (k * binHz(p.size()) >= lo && k * binHz(p.size()) < hi) {
                logSum += std::log(p[k] + 1e-300);
                sum += p[k];
                ++count;
            }
        return std::exp(logSum / count) / (sum / count);
    }
    // Spectral centroid of 2048 samples from the given time on.
    double centroid(double from) const
    {
        const auto p = power(from, 2048);
        double weighted = 0.0, sum = 0.0;
        for (size_t k = 0; k < p.size(); ++k) {
            weighted += k * binHz(p.size()) * p[k];
            sum += p[k];
        }
        return weighted / sum;
    }
    // Share of the energy above f0/2 that lies within tolerance (relative,
    // at least two bins) of the harmonics of f0.
    double harmonicShare(double from, double f0, double tolerance, int64_t n = 8192) const
    {
        const auto p = power(from, n);
        const double bin = binHz(p.size());
        const auto nearHarmonic = [&](double f) {
            const double k = std::max(1.0, std::round(f / f0));
            return std::fabs(f - k * f0) <= std::max(tolerance * k * f0, 2.0 * bin);
        };
        return sumWhere(p, [&](double f) { return f >= f0 / 2 && nearHarmonic(f); })
            / sumWhere(p, [&](double f) { return f >= f0 / 2; });
    }
    // The strongest partial, in Hz.
    double strongest(double from) const
    {
        const auto p = power(from);
        return static_cast<double>(std::max_element(p.begin(), p.end()) - p.begin()) * binHz(p.size());
    }
    // Frequency by zero crossings, for sine-like sounds.
    double crossingHz(double from, double to) const
    {
        std::vector<size_t> crossings;
        for (size_t i = at(from) + 1; i < at(to); ++i)
            if ((x[i - 1] < 0.0) != (x[i] < 0.0))
                crossings.push_back(i);
        if (crossings.size() < 3)
            return 0.0;
        return 0.5 * static_cast<double>(crossings.size() - 1) * rate
            / static_cast<double>(crossings.back() - crossings.front());
    }
    // Largest over smallest of a measure taken every step seconds.
    double swing(double from, double to, double step, const std::function<double(double)>& measure) const
    {
        double low = std::numeric_limits<double>::max(), high = 0.0;
        for (double t = from; t < to; t += step) {
            low = std::min(low, measure(t));
            high = std::max(high, measure(t));
        }
        return high / low;
    }
    // Energy near harmonics 6 to 12 of f0, in a window of 2048 samples:
    // detuned voices make it beat.
    double upperHarmonics(double from, double f0) const
    {
        const auto p = power(from, 2048);
        return sumWhere(p, [&](double f) {
            const double k = std::round(f / f0);
            return k >= 6 && k <= 12 && std::fabs(f - k * f0) <= 0.03 * k * f0;
        });
    }

private:
    size_t at(double seconds) const { return std::min(x.size(), static_cast<size_t>(seconds * rate)); }
    double rmsOf(size_t from, size_t to) const
    {
        double sum = 0.0;
        for (size_t i = from; i < to; ++i)
            sum += x[i] * x[i];
        return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
    }
    std::vector<double> averagePower() const
    {
        std::vector<double> sum(4096, 0.0);
        for (size_t start = 0; start + 8192 <= x.size(); start += 4096) {
            const auto p = power(static_cast<double>(start) / rate);
            for (size_t k = 0; k < sum.size(); ++k)
                sum[k] += p[k];
        }
        return sum;
    }
    template <class Where> double sumWhere(const std::vector<double>& p, Where where) const
    {
        double sum = 0.0;
        for (size_t k = 0; k < p.size(); ++k)
            if (where(static_cast<double>(k) * binHz(p.size())))
                sum += p[k];
        return sum;
    }

    double rate;
    std::vector<double> x;
    std::unique_ptr<FourierTransformer> fourier = std::make_unique<FourierTransformer>();
};

// What each sound must measurably be, in program order: a value measured at
// 44.1 kHz on its phrase and the range it must fall in.
struct Character {
    const char* name;
    const char* what;
    std::function<double(const Take&)> measure;
    double low;
    double high = std::numeric_limits<double>::infinity();
};

const double a4 = noteHz(69), c4 = noteHz(60), a3 = noteHz(57), a1 = noteHz(33), c3 = noteHz(48);
const auto evenShare = [](const Take& t, double from) {
    return t.harmonicShare(from, 2 * a4, 0.02, 2048) / t.harmonicShare(from, a4, 0.02, 2048);
};

const std::vector<Character> characters = {
    { "Acid Bass", "brightness after the accent's filter envelope over brightness at its end",
        [](const Take& t) { return t.centroid(0.0) / t.centroid(0.19); }, 3.0 },
    { "Sub Bass", "energy below 150 Hz", [](const Take& t) { return t.bandShare(0, 150); }, 0.95 },
    { "Wide Bass", "swing of the upper harmonics as 127 voices beat (dB)",
        [](const Take& t) { return powerDb(t.swing(0.02, 0.2, 0.01, [&](double s) { return t.upperHarmonics(s, a1); })); },
        3.0 },
    { "FM Bass", "energy below 300 Hz", [](const Take& t) { return t.bandShare(0, 300); }, 0.8 },
    { "Sync Bass", "share of the energy at harmonics of the note while the synced oscillators sweep",
        [](const Take& t) { return t.harmonicShare(0.42, noteHz(45), 0.01); }, 0.7 },
    { "Growl Bass", "energy below 300 Hz", [](const Take& t) { return t.bandShare(0, 300); }, 0.7 },
    { "Super Lead", "swing of the upper harmonics as seven voices beat (dB)",
        [](const Take& t) { return powerDb(t.swing(1.05, 1.4, 0.01, [&](double s) { return t.upperHarmonics(s, a4); })); },
        3.0 },
    { "Sync Lead", "strongest partial at the note's start over 300 ms later, as the synced oscillator falls",
        [](const Take& t) { return t.strongest(1.0) / t.strongest(1.25); }, 1.3 },
    { "PWM Lead", "range of the even harmonics' share as the width sweeps",
        [](const Take& t) {
            double low = 1.0, high = 0.0;
            for (double s = 1.0; s < 1.45; s += 0.03) {
                low = std::min(low, evenShare(t, s));
                high = std::max(high, evenShare(t, s));
            }
            return high - low;
        },
        0.2 },
    { "Screamer", "strongest partial in harmonics of the note, at the resonance",
        [](const Take& t) { return t.strongest(1.2) / a4; }, 3.0 },
    { "Sine Lead", "vibrato range (cents)",
        [](const Take& t) {
            return 1200 * std::log2(t.swing(1.05, 1.45, 0.02, [&](double s) { return t.crossingHz(s, s + 0.05); }));
        },
        20.0 },
    { "Ring Lead", "share of the energy at harmonics of the note",
        [](const Take& t) { return t.harmonicShare(1.1, a4, 0.03); }, 0.0, 0.5 },
    { "FM Bell", "share of the energy at harmonics of the note",
        [](const Take& t) { return t.harmonicShare(0.02, c4, 0.03); }, 0.0, 0.5 },
    { "Tine Piano", "brightness at the strike over brightness 190 ms later",
        [](const Take& t) { return t.centroid(0.0) / t.centroid(0.19); }, 1.3 },
    { "Pluck", "brightness at the strike over brightness 190 ms later",
        [](const Take& t) { return t.centroid(0.0) / t.centroid(0.19); }, 1.4 },
    { "Clav", "energy below 300 Hz", [](const Take& t) { return t.bandShare(0, 300); }, 0.0, 0.05 },
    { "Organ", "share of the energy at harmonics of the note",
        [](const Take& t) { return t.harmonicShare(0.05, c4, 0.01); }, 0.98 },
    { "Mallet", "level at the strike over level 150 ms later",
        [](const Take& t) { return t.rms(0.0, 0.05) / t.rms(0.15, 0.2); }, 2.5 },
    { "Brass", "brightness as the filter envelope peaks over brightness once it settles",
        [](const Take& t) { return t.centroid(0.4) / t.centroid(1.0); }, 1.3 },
    { "Strings", "level in the first 100 ms over level after 500 ms",
        [](const Take& t) { return t.rms(0.0, 0.1) / t.rms(0.5, 0.6); }, 0.0, 0.5 },
    { "Warm Pad", "energy below 600 Hz", [](const Take& t) { return t.bandShare(0, 600); }, 0.85 },
    { "Vox Pad", "energy from 400 to 1600 Hz", [](const Take& t) { return t.bandShare(400, 1600); }, 0.7 },
    { "Kick", "pitch in the first 30 ms over pitch of the body",
        [](const Take& t) { return t.crossingHz(0.0, 0.03) / t.crossingHz(0.1, 0.2); }, 3.0 },
    { "Snare", "energy above 2 kHz", [](const Take& t) { return t.bandShare(2000, 1e6); }, 0.4 },
    { "Hat", "spectral flatness from 6 to 16 kHz", [](const Take& t) { return t.flatness(6000, 16000); }, 0.3 },
    { "Tom", "pitch in the first 30 ms over pitch after 150 ms",
        [](const Take& t) { return t.crossingHz(0.0, 0.03) / t.crossingHz(0.15, 0.3); }, 1.4 },
    { "Metal Hit", "share of the energy at harmonics of the note",
        [](const Take& t) { return t.harmonicShare(0.02, c3, 0.01); }, 0.0, 0.6 },
    { "Zap", "brightness at the start over brightness 100 ms later",
        [](const Take& t) { return t.centroid(0.0) / t.centroid(0.1); }, 2.0 },
    { "Riser", "brightness after 1.2 s over brightness at 0.1 s",
        [](const Take& t) { return t.centroid(1.2) / t.centroid(0.1); }, 2.0 },
    { "Siren", "highest over lowest pitch",
        [](const Take& t) { return t.swing(0.05, 1.3, 0.05, [&](double s) { return t.crossingHz(s, s + 0.05); }); },
        1.3 },
    { "Wind", "brightness after 0.8 s over brightness at 0.1 s",
        [](const Take& t) { return t.centroid(0.8) / t.centroid(0.1); }, 1.5 },
    { "Crash", "spectral flatness from 2 to 16 kHz", [](const Take& t) { return t.flatness(2000, 16000); }, 0.4 },
};

} // namespace

TEST(FactoryBank, HoldsEverySourceAsItsOwnProgramInBankAndProgramFiles)
{
    const auto bank = factoryBank();
    const auto sources = factorySources();
    ASSERT_EQ(bank.programs.size(), 32u);
    ASSERT_EQ(sources.size(), bank.programs.size());
    std::set<std::string> names;
    std::set<std::vector<float>> valueSets;
    for (size_t i = 0; i < sources.size(); ++i) {
        SCOPED_TRACE(sources[i].name);
        EXPECT_EQ(bank.programs[i].name, sources[i].name);
        names.insert(bank.programs[i].name);
        valueSets.insert(bank.programs[i].values);
        const auto path = programFile(i, sources[i].name);
        const auto program = decodeProgram(readWholeFile(path, "program", 1u << 16), path);
        EXPECT_EQ(program.pluginId, bank.pluginId);
        EXPECT_EQ(program.program.name, bank.programs[i].name);
        EXPECT_EQ(program.program.values, bank.programs[i].values);
    }
    EXPECT_EQ(names.size(), 32u);
    EXPECT_EQ(valueSets.size(), 32u);
}

TEST(FactoryBank, LoadsThroughTheRendererAndThePluginsProgramCalls)
{
    // The renderer loads the bank and saves it back unchanged.
    const auto copy = (std::filesystem::temp_directory_path()
        / ("zarvex-factory-copy-" + std::to_string(getpid()) + ".fxb")).string();
    const std::string command = std::string(ZARVEX_RENDER_PATH) + " --plugin " + ZARVEX_PLUGIN_PATH + " --load '"
        + bankPath + "' --save-bank " + copy + " >/dev/null 2>&1 </dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_TRUE(readWholeFile(copy, "bank", 1u << 20) == readWholeFile(bankPath, "bank", 1u << 20))
        << "the bank saved back differs";
    std::filesystem::remove(copy);

    // Switching programs recalls each one's name and values.
    const auto bank = factoryBank();
    HostedPlugin plugin(ZARVEX_PLUGIN_PATH, 44100.0, 512);
    plugin.load(bank, bankPath);
    for (int32_t i = plugin.programCount() - 1; i >= 0; --i) {
        plugin.selectProgram(i);
        EXPECT_EQ(plugin.programName(i), bank.programs[i].name);
        EXPECT_EQ(plugin.readProgram().values, bank.programs[i].values) << bank.programs[i].name;
    }
}

// Each sound from its own program file on a fresh instance, as a player who
// picks it finds it.
TEST(FactorySounds, SitInOneLevelWindowAtBothRatesAndSoundAsNamed)
{
    const auto sources = factorySources();
    ASSERT_EQ(characters.size(), sources.size());
    double quietest = std::numeric_limits<double>::infinity(), loudest = -quietest;
    for (size_t i = 0; i < sources.size(); ++i) {
        const Character& character = characters[i];
        SCOPED_TRACE(character.name);
        ASSERT_EQ(sources[i].name, character.name);
        const auto path = programFile(i, sources[i].name);
        const auto program = decodeProgram(readWholeFile(path, "program", 1u << 16), path);
        const auto phrase = readMidiFile(presets + "/phrases/" + sources[i].phrase + ".mid");
        for (double rate : rates) {
            SCOPED_TRACE(rate);
            HostedPlugin plugin(ZARVEX_PLUGIN_PATH, rate, 512);
            plugin.load(program, path);
            const Take take(renderAll(plugin, phrase, { TailMode::fixed, tailSeconds }), rate);
            ASSERT_TRUE(take.finite());
            EXPECT_GE(dB(take.peak()), -12.0);
            EXPECT_LE(dB(take.peak()), -1.0);
            quietest = std::min(quietest, dB(take.loudness()));
            loudest = std::max(loudest, dB(take.loudness()));
            if (rate == rates[0]) {
                const double value = character.measure(take);
                EXPECT_GE(value, character.low) << character.what;
                EXPECT_LE(value, character.high) << character.what;
            }
        }
    }
    EXPECT_LE(loudest - quietest, 6.0);
}
