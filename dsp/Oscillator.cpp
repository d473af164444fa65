#include "dsp/Oscillator.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr int tablePoints = Oscillator::tableLength;
constexpr int tableCount = 1 + Oscillator::bandLimitedTableCount;

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

} // namespace

Oscillator::Oscillator()
    : tables(std::make_unique<double[]>(tableCount * tableStride + tablePoints))
{
    fft.setLength(tablePoints);
    buildTables(waveform);
}

void Oscillator::setSampleRate(double sr)
{
    if (std::isfinite(sr))
        AudioModule::setSampleRate(sr);
    invSampleRate = 1.0 / sampleRate;
    updateIncrements();
}

double Oscillator::getSample()
{
    return waveform < firstTableWaveform ? liveNoise() : readTable(false);
}

double Oscillator::getSampleAntiAliased()
{
    return waveform < firstTableWaveform ? liveNoise() : readTable(true);
}

void Oscillator::setWaveform(std::int64_t index)
{
    if (index < 0 || index == waveform)
        return;
    waveform = index;
    buildTables(index);
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
        return nextWhiteNoise();
    case 2:
        return pinkFilter.processSample(nextWhiteNoise()) * 0.25;
    default:
        return 0.0;
    }
}

const double* Oscillator::bandLimitedTable(double increment, int extra) const
{
    // The exponent field of the double, so any sign, zero, NaN or infinity
    // still lands on a valid table.
    const auto bits = std::bit_cast<std::uint64_t>(increment);
    const int exponent = static_cast<int>((bits >> 52) & 0x7FF) - 1023;
    return getTable(1 + std::clamp(exponent + extra, 0, bandLimitedTableCount - 1));
}

bool Oscillator::advancePhase(double& phase, double increment)
{
    phase += increment;
    bool wrapped = false;
    if (phase >= wrapLength) {
        wrapped = true;
        phase -= wrapLength;
        if (phase >= wrapLength)
            phase = std::fmod(phase, wrapLength);
    } else if (phase < 0.0) {
        phase += wrapLength;
        if (phase < 0.0)
            phase = std::fmod(phase, wrapLength) + wrapLength;
    }
    if (!(phase >= 0.0 && phase <= wrapLength))
        phase = 0.0;
    return wrapped;
}

double Oscillator::interpolate(const double* table, double phase)
{
    const int i = static_cast<int>(phase);
    const double f = phase - i;
    return table[i] + f * (table[i + 1] - table[i]);
}

void Oscillator::updateHalfFactors()
{
    firstHalfFactor = 1.0 / (2.0 * pulseWidth);
    secondHalfFactor = 1.0 / (2.0 * (1.0 - pulseWidth));
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

void Oscillator::buildTables(std::int64_t index)
{
    switch (index) {
    case 4:
        fill(triangle);
        break;
    case 5:
        fill(pulse);
        break;
    case 6:
        fill(sawUp);
        break;
    case 7:
        fill(sawDown);
        break;
    case 8:
    case 9:
    case 10:
        fill(index == 8 ? peakUp : index == 9 ? peakDown : moogSaw);
        removeDc();
        normalizePeak();
        break;
    case 11:
        fill(squareMinusSine);
        break;
    case 12:
        buildOctaves(sine);
        break;
    case 13:
        buildOctaves(sawUp);
        break;
    case 14:
    case 15:
    case 16:
        buildNoiseCycle(index);
        break;
    default:
        fill(sine);
        break;
    }
    double* raw = table(0);
    raw[tablePoints] = raw[0];
    buildBandLimitedTables();
}

void Oscillator::fill(double (*shape)(int))
{
    double* raw = table(0);
    for (int i = 0; i < tablePoints; ++i)
        raw[i] = shape(i);
}

// Octave partials up to the highest harmonic that stays at or below 20 kHz
// when the table is read one point per sample at the current rate.
void Oscillator::buildOctaves(double (*shape)(int))
{
    const double highestHarmonic = std::floor(20000.0 / (sampleRate / tablePoints));
    double* raw = table(0);
    std::fill(raw, raw + tablePoints, 0.0);
    // From octave 13 on (i << k) & 8191 is always 0, where both shapes are 0.
    for (int k = 0; k <= 12 && std::ldexp(1.0, k) <= highestHarmonic; ++k) {
        const double weight = std::ldexp(1.0, -k);
        for (int i = 0; i < tablePoints; ++i)
            raw[i] += weight * shape((i << k) & (tablePoints - 1));
    }
    normalizePeak();
}

// Reseeded every time, so a noise cycle is the same whenever it is built.
void Oscillator::buildNoiseCycle(std::int64_t index)
{
    double* raw = table(0);
    reseed(0);
    for (int i = 0; i < tablePoints; ++i)
        raw[i] = nextWhiteNoise();
    removeDc();
    normalizePeak();
    if (index == 15) {
        pinkFilter.clear();
        for (int i = 0; i < tablePoints; ++i)
            pinkFilter.processSample(raw[i]);
        for (int i = 0; i < tablePoints; ++i)
            raw[i] = pinkFilter.processSample(raw[i]);
    } else if (index == 16) {
        for (int i = 1; i < tablePoints; ++i)
            raw[i] += raw[i - 1];
    }
    removeDc();
    normalizePeak();
}

void Oscillator::removeDc()
{
    double* raw = table(0);
    double sum = 0.0;
    for (int i = 0; i < tablePoints; ++i)
        sum += raw[i];
    const double mean = sum * (1.0 / tablePoints);
    for (int i = 0; i < tablePoints; ++i)
        raw[i] -= mean;
}

// A silent table (octaves at absurd sample rates) stays silent.
void Oscillator::normalizePeak()
{
    double* raw = table(0);
    double peak = 0.0;
    for (int i = 0; i < tablePoints; ++i)
        peak = std::max(peak, std::abs(raw[i]));
    if (!(peak > 0.0))
        return;
    const double scale = 1.0 / peak;
    for (int i = 0; i < tablePoints; ++i)
        raw[i] *= scale;
}

// Table t (2 ... 12) keeps harmonics below 4096 / 2^(t-1), so at the
// increments that select it the highest one stays below half the sample rate.
void Oscillator::buildBandLimitedTables()
{
    double* spectrum = tables.get() + tableCount * tableStride;
    std::copy(table(0), table(0) + tableStride, table(1));
    fft.transformRealSignal(table(1), spectrum);
    spectrum[0] = 0.0;
    spectrum[1] = 0.0;
    for (int t = 2; t < tableCount; ++t) {
        const int first = (tablePoints / 2) >> (t - 1);
        std::fill(spectrum + 2 * first, spectrum + 4 * first, 0.0);
        double* out = table(t);
        fft.transformSpectrum(spectrum, out);
        out[tablePoints] = out[0];
    }
}

void getWaveformName(std::int64_t index, char* text)
{
    static constexpr const char* names[] = {
        "Off", "WhiteNoise", "PinkNoise", "Sine", "Triangle", "Pulse", "SawUp",
        "SawDown", "PeakUp", "PeakDown", "MoogSaw", "EvenOnly", "SinOcts", "SawOcts",
    };
    constexpr std::int64_t count = sizeof(names) / sizeof(names[0]);
    std::strcpy(text, index >= 0 && index < count ? names[index] : "Reserved");
}
