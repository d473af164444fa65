#include "dsp/Oscillator.h"

#include "dsp/FourierTransformer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr int tablePoints = Oscillator::tableLength;
constexpr int tableCount = 1 + Oscillator::bandLimitedTableCount;
constexpr int tableStride = tablePoints + 1;
constexpr std::int64_t sineWave = 3;
constexpr std::int64_t whiteCycle = 14;
constexpr std::int64_t pinkCycle = 15;
constexpr std::int64_t brownCycle = 16;

double sine(int i)
{
    return std::sin(2.0 * std::numbers::pi * i / tablePoints);
}

double triangle(int i)
{
    if (i < 2048)
        return i / 2048.0;
    if (i < 6144)
        return 2.0 - i / 2048.0;
    return i / 2048.0 - 4.0;
}

double pulse(int i)
{
    return i < 4096 ? 1.0 : -1.0;
}

double sawUp(int i)
{
    return i < 4096 ? i / 4096.0 : i / 4096.0 - 2.0;
}

double sawDown(int i)
{
    return -sawUp(i);
}

double peakUp(int i)
{
    return i < 4096 ? 1.0 - i / 4096.0 : 0.0;
}

double peakDown(int i)
{
    return -peakUp(i);
}

// Falls from 1 to 0 over the first half and rises from 0 to 3 over the second.
double moogSaw(int i)
{
    return sawUp(i) + (i < 4096 ? 1.0 - i / 2048.0 : i / 2048.0 - 1.0);
}

double squareMinusSine(int i)
{
    return pulse(i) - sine(i);
}

void fill(double* raw, double (*shape)(int))
{
    for (int i = 0; i < tablePoints; ++i)
        raw[i] = shape(i);
}

void removeDc(double* raw)
{
    double sum = 0.0;
    for (int i = 0; i < tablePoints; ++i)
        sum += raw[i];
    const double mean = sum * (1.0 / tablePoints);
    for (int i = 0; i < tablePoints; ++i)
        raw[i] -= mean;
}

// A silent table (octaves at absurd sample rates) stays silent.
void normalizePeak(double* raw)
{
    double peak = 0.0;
    for (int i = 0; i < tablePoints; ++i)
        peak = std::max(peak, std::abs(raw[i]));
    if (!(peak > 0.0))
        return;
    const double scale = 1.0 / peak;
    for (int i = 0; i < tablePoints; ++i)
        raw[i] *= scale;
}

// Octave partials up to the highest harmonic that stays at or below 20 kHz
// when the table is read one point per sample at this rate: the number of
// octaves is all the rate decides.
int octaveCount(double rate)
{
    const double highestHarmonic = std::floor(20000.0 / (rate / tablePoints));
    // From octave 13 on (i << k) & 8191 is always 0, where both shapes are 0.
    int count = 0;
    while (count <= 12 && std::ldexp(1.0, count) <= highestHarmonic)
        ++count;
    return count;
}

void buildOctaves(double* raw, double (*shape)(int), int octaves)
{
    std::fill(raw, raw + tablePoints, 0.0);
    for (int k = 0; k < octaves; ++k) {
        const double weight = std::ldexp(1.0, -k);
        for (int i = 0; i < tablePoints; ++i)
            raw[i] += weight * shape((i << k) & (tablePoints - 1));
    }
    normalizePeak(raw);
}

// From a source of its own seeded with 0, so a noise cycle is the same
// whenever and on whichever thread it is built, and live noise runs on undisturbed.
void buildNoiseCycle(double* raw, White2PinkFilter& pink, std::int64_t index)
{
    NoiseGenerator cycle;
    cycle.reseed(0);
    for (int i = 0; i < tablePoints; ++i)
        raw[i] = cycle.nextWhite();
    removeDc(raw);
    normalizePeak(raw);
    if (index == pinkCycle) {
        pink.clear();
        for (int i = 0; i < tablePoints; ++i)
            pink.processSample(raw[i]);
        for (int i = 0; i < tablePoints; ++i)
            raw[i] = pink.processSample(raw[i]);
    } else if (index == brownCycle) {
        for (int i = 1; i < tablePoints; ++i)
            raw[i] += raw[i - 1];
    }
    removeDc(raw);
    normalizePeak(raw);
}

// Every table of a waveform in one block (tables 0 ... 12 of tablePoints + 1
// points each) and the state a pink cycle's build leaves in its filter.
struct SharedTables {
    std::unique_ptr<double[]> points;
    White2PinkFilter pink;
};

// The tables of every waveform asked for so far, built once per process by
// the first thread that asks and never changed or freed afterwards, so any
// number of oscillators read them without further ado.
class TableLibrary {
public:
    static TableLibrary& instance()
    {
        static TableLibrary library;
        return library;
    }

    // Any thread; builds (under the library's lock) what is not built yet.
    const SharedTables& tables(std::int64_t index, double rate)
    {
        // Everything but the table waveforms plays the sine; the octave
        // waveforms differ by their number of octaves.
        const std::int64_t shape = index >= 4 && index <= brownCycle ? index : sineWave;
        const int octaves = shape == 12 || shape == 13 ? octaveCount(rate) : 0;
        const std::lock_guard lock(mutex);
        std::unique_ptr<SharedTables>& entry = built[{ shape, octaves }];
        if (!entry) {
            entry = std::make_unique<SharedTables>();
            entry->points = std::make_unique<double[]>(tableCount * tableStride);
            build(*entry, shape, octaves);
        }
        return *entry;
    }

private:
    TableLibrary() { fft.setLength(tablePoints); }

    void build(SharedTables& set, std::int64_t shape, int octaves)
    {
        double* raw = set.points.get();
        switch (shape) {
        case 4:
            fill(raw, triangle);
            break;
        case 5:
            fill(raw, pulse);
            break;
        case 6:
            fill(raw, sawUp);
            break;
        case 7:
            fill(raw, sawDown);
            break;
        case 8:
        case 9:
        case 10:
            fill(raw, shape == 8 ? peakUp : shape == 9 ? peakDown : moogSaw);
            removeDc(raw);
            normalizePeak(raw);
            break;
        case 11:
            fill(raw, squareMinusSine);
            break;
        case 12:
            buildOctaves(raw, sine, octaves);
            break;
        case 13:
            buildOctaves(raw, sawUp, octaves);
            break;
        case whiteCycle:
        case pinkCycle:
        case brownCycle:
            buildNoiseCycle(raw, set.pink, shape);
            break;
        default:
            fill(raw, sine);
            break;
        }
        raw[tablePoints] = raw[0];
        buildBandLimitedTables(raw);
    }

    // Table t (2 ... 12) keeps harmonics below 4096 / 2^(t-1), so at the
    // increments that select it the highest one stays below half the sample rate.
    void buildBandLimitedTables(double* tables)
    {
        double* unfiltered = tables + tableStride;
        std::copy(tables, tables + tableStride, unfiltered);
        fft.transformRealSignal(unfiltered, spectrum.data());
        spectrum[0] = 0.0;
        spectrum[1] = 0.0;
        for (int t = 2; t < tableCount; ++t) {
            const int first = (tablePoints / 2) >> (t - 1);
            std::fill(spectrum.begin() + 2 * first, spectrum.begin() + 4 * first, 0.0);
            double* out = tables + t * tableStride;
            fft.transformSpectrum(spectrum.data(), out);
            out[tablePoints] = out[0];
        }
    }

    std::mutex mutex;
    std::map<std::pair<std::int64_t, int>, std::unique_ptr<SharedTables>> built;
    FourierTransformer fft;
    std::vector<double> spectrum = std::vector<double>(tablePoints);
};

} // namespace

Oscillator::Oscillator()
    : current(&sets[0])
    , active(&sets[0])
    , latest(&sets[0])
{
    selectTables(sets[0], waveform);
}

void Oscillator::setSampleRate(double sr)
{
    if (std::isfinite(sr))
        AudioModule::setSampleRate(sr);
    buildSampleRate.store(sampleRate, std::memory_order_relaxed);
    invSampleRate = 1.0 / sampleRate;
    updateIncrements();
}

double Oscillator::getSample()
{
    adoptPreparedWaveform();
    return waveform < firstTableWaveform ? liveNoise() : readTable(false);
}

double Oscillator::getSampleAntiAliased()
{
    adoptPreparedWaveform();
    return waveform < firstTableWaveform ? liveNoise() : readTable(true);
}

void Oscillator::setWaveform(std::int64_t index)
{
    prepareWaveform(index);
    adoptPreparedWaveform();
}

void Oscillator::prepareWaveform(std::int64_t index)
{
    const std::lock_guard lock(builderMutex);
    if (index < 0 || index == latest->waveform)
        return;
    // Free is a set that is neither read nor the latest, which may be pending
    // or being taken over right now.
    const TableSet* const read = active.load(std::memory_order_acquire);
    TableSet* target = sets.data();
    while (target == read || target == latest)
        ++target;
    selectTables(*target, index);
    // A superseded pending set is free again. If none was pending, the reader
    // took the latest set, now or earlier; until it has published the switch
    // the next build could mistake that set for a free one, so wait for it
    // (the switch is a few instructions away).
    if (pending.exchange(target, std::memory_order_acq_rel) == nullptr) {
        for (const TableSet* now = active.load(std::memory_order_acquire); now != latest && now != target;
             now = active.load(std::memory_order_acquire))
            std::this_thread::yield();
    }
    latest = target;
}

bool Oscillator::adoptPending()
{
    TableSet* const next = pending.exchange(nullptr, std::memory_order_acquire);
    if (next == nullptr)
        return false;
    current = next;
    waveform = next->waveform;
    if (waveform == pinkCycle)
        pinkFilter = *next->pink;
    active.store(next, std::memory_order_release);
    waveformAdopted();
    return true;
}

void Oscillator::setStartPhase(double degrees)
{
    if (degrees >= 0.0 && degrees <= 360.0)
        startPhase = degrees / 360.0 * tablePoints;
}

void Oscillator::setFrequency(double hz)
{
    if (hz > 0.0 && hz < 20000.0)
        frequency = hz;
}

void Oscillator::setPulseWidth(double pw)
{
    if (pw > 0.01 && pw < 0.99)
        pulseWidth = pw;
}

void Oscillator::calcIncrements()
{
    updateHalfFactors();
    updateIncrements();
}

void Oscillator::resetPhase()
{
    phase = startPhase;
}

void Oscillator::resetPhase(double offset)
{
    phase = startPhase + offset;
}

double Oscillator::liveNoise()
{
    switch (waveform) {
    case 1:
        return noise->nextWhite();
    case 2:
        return pinkFilter.processSample(noise->nextWhite()) * 0.25;
    default:
        return 0.0;
    }
}

bool Oscillator::updateHalfFactors()
{
    if (pulseWidth == halfFactorsWidth)
        return false;
    halfFactorsWidth = pulseWidth;
    firstHalfFactor = 1.0 / (2.0 * pulseWidth);
    secondHalfFactor = 1.0 / (2.0 * (1.0 - pulseWidth));
    return true;
}

void Oscillator::updateIncrements()
{
    increment = frequency * invSampleRate * tablePoints;
    incrementFirstHalf = increment * firstHalfFactor;
    incrementSecondHalf = increment * secondHalfFactor;
}

double Oscillator::readTable(bool bandLimited)
{
    const double step = phase >= halfTable ? incrementSecondHalf : incrementFirstHalf;
    const double* t = bandLimited ? bandLimitedTable(step, 1) : getTable(0);
    advancePhase(phase, step);
    return interpolate(t, phase);
}

void Oscillator::selectTables(TableSet& set, std::int64_t index)
{
    const double rate = buildSampleRate.load(std::memory_order_relaxed);
    const SharedTables& shared = TableLibrary::instance().tables(index, rate);
    set.tables = shared.points.get();
    set.pink = &shared.pink;
    set.waveform = index;
}

void getWaveformName(std::int64_t index, char* text)
{
    static constexpr const char* names[] = {
        "Off", "WhiteNoise", "PinkNoise", "Sine", "Triangle", "Pulse", "SawUp", "SawDown", "PeakUp", "PeakDown",
        "MoogSaw", "EvenOnly", "SinOcts", "SawOcts", "WhiteNoiseCycle", "PinkNoiseCycle", "BrownNoiseCycle",
    };
    constexpr std::int64_t count = sizeof(names) / sizeof(names[0]);
    // Every number beyond the named ones plays the sine table (see TableLibrary);
    // negative numbers are refused and play nothing new.
    const char* name = index < 0 ? "Reserved" : index < count ? names[index] : names[3];
    std::strcpy(text, name);
}
