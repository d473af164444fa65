#include "dsp/SuperOscillator.h"

#include <bit>
#include <cmath>

// The voice loops are the engine's widest: where the processor has AVX2, a
// second copy of each works on four voices at a time (the same operations, so
// the same values). gcc makes the copies and picks one when the library loads;
// not under ThreadSanitizer, whose runtime is not ready that early.
#if defined(__linux__) && defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) \
    && !defined(__SANITIZE_THREAD__)
#define ZARVEX_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define ZARVEX_VECTOR_CLONES
#endif

SuperOscillator::SuperOscillator()
{
    updateRandomFactors();
}

void SuperOscillator::setSampleRate(double sr)
{
    Oscillator::setSampleRate(sr);
    voiceIncrementFirstHalf[0] = incrementFirstHalf;
    voiceIncrementSecondHalf[0] = incrementSecondHalf;
    incrementsStale = true;
    updateRandomInterval();
}

double SuperOscillator::getSample()
{
    return readVoices(false);
}

double SuperOscillator::getSampleAntiAliased()
{
    return readVoices(true);
}

void SuperOscillator::waveformAdopted()
{
    if (waveform < firstTableWaveform)
        cycleWrapped = false;
}

// Non-finite frequencies are ignored; any finite one, negative included, is
// taken (a negative one runs the phases backwards).
ZARVEX_VECTOR_CLONES void SuperOscillator::changeFrequency(double hz)
{
    if (!std::isfinite(hz))
        return;
    frequency = hz;
    incrementsStale = false;
    increment = tableLength * invSampleRate * hz;
    const double first = firstHalfFactor * increment;
    const double second = secondHalfFactor * increment;
    voiceIncrementFirstHalf[0] = first;
    voiceIncrementSecondHalf[0] = second;
    if (density <= 2)
        return;
    if (!linearSpacing) {
        updateSpreadFactors();
        for (std::int64_t v = 1; v < density; ++v) {
            voiceIncrementFirstHalf[v] = first * voiceSpread[v];
            voiceIncrementSecondHalf[v] = second * voiceSpread[v];
        }
        return;
    }
    // Equal steps in hertz: the lowest voice lands detuneSemitones below the
    // centre, the highest as far above in hertz.
    const double step = (hz - hz / detuneFactor) / static_cast<double>((density - 1) / 2) * tableLength * invSampleRate;
    for (std::int64_t v = 1; v < density; ++v) {
        const double previousFirst = voiceIncrementFirstHalf[v > 2 ? v - 2 : 0];
        const double previousSecond = voiceIncrementSecondHalf[v > 2 ? v - 2 : 0];
        const double signedStep = v % 2 ? step : -step;
        voiceIncrementFirstHalf[v] = previousFirst + signedStep;
        voiceIncrementSecondHalf[v] = previousSecond + signedStep;
    }
}

// The outermost pair sits detuneSemitones above and below the centre; the
// pairs between step by equal ratios.
void SuperOscillator::updateSpreadFactors()
{
    const std::int64_t pairs = (density - 1) / 2;
    if (detuneFactor == spreadFactor && pairs == spreadPairs)
        return;
    spreadFactor = detuneFactor;
    spreadPairs = pairs;
    const double ratio = std::pow(detuneFactor, 1.0 / static_cast<double>(pairs));
    const double inverse = 1.0 / ratio;
    double up = 1.0;
    double down = 1.0;
    for (std::int64_t j = 1; j <= pairs; ++j) {
        up *= ratio;
        down *= inverse;
        voiceSpread[2 * j - 1] = up;
        voiceSpread[2 * j] = down;
    }
}

void SuperOscillator::changePulseWidth(double pw)
{
    if (pw > 0.0 && pw < 1.0)
        pulseWidth = pw;
    if (updateHalfFactors())
        incrementsStale = true;
}

void SuperOscillator::resetPhase()
{
    for (std::int64_t v = 0; v < density; ++v)
        voicePhase[v] = startPhase;
    sampleCounter = 0;
    nextRedraw = 0;
}

// Voice counts above the size of the voice arrays are refused like even ones.
void SuperOscillator::setDensity(std::int64_t n)
{
    if (n > 0 && n % 2 == 1 && n <= maxVoices && n != density) {
        density = n;
        incrementsStale = true;
    }
    voiceGain = 1.0 / std::sqrt(static_cast<double>(density));
}

void SuperOscillator::setSpacing(bool linear)
{
    if (linear != linearSpacing)
        incrementsStale = true;
    linearSpacing = linear;
}

void SuperOscillator::setDetuneRandom(double percent)
{
    if (percent >= 0.0 && percent <= 100.0 && percent * 0.01 != randomAmount) {
        randomAmount = percent * 0.01;
        updateRandomFactors();
    }
}

void SuperOscillator::setDetuneRandomRate(double hz)
{
    if (hz >= 0.01 && hz <= 100.0)
        randomRate = hz;
    updateRandomInterval();
}

void SuperOscillator::changeDetune(double semitones)
{
    if (semitones >= 0.0 && std::isfinite(semitones)) {
        detuneSemitones = semitones;
        detuneFactor = std::exp2(detuneSemitones / 12.0);
        incrementsStale = true;
    }
}

void SuperOscillator::updateRandomFactors()
{
    for (int v = 1; v < maxVoices; ++v)
        voiceRandomFactor[v] = 1.0 + voiceRandom[v] * randomAmount;
}

double SuperOscillator::readVoices(bool bandLimited)
{
    adoptPreparedWaveform();
    if (waveform < firstTableWaveform)
        return liveNoise();

    const double step = voicePhase[0] >= halfTable ? voiceIncrementSecondHalf[0] : voiceIncrementFirstHalf[0];
    const double* table = bandLimited ? bandLimitedTable(step, 1) : getTable(0);
    cycleWrapped = advancePhase(voicePhase[0], step);
    const double centre = interpolate(table, voicePhase[0]);
    if (!bandLimited)
        return (density == 1 ? centre : readSideVoices<false>(centre)) * voiceGain;

    // All side voices redraw in the same read, in voice order.
    if (sampleCounter == nextRedraw) {
        nextRedraw += randomInterval;
        if (density > 1) {
            for (std::int64_t v = 1; v < density; ++v)
                voiceRandom[v] = noise->nextWhite();
            updateRandomFactors();
        }
    }
    ++sampleCounter;
    return (density == 1 ? centre : readSideVoices<true>(centre)) * voiceGain;
}

// The first loop has no branches, so that the compiler turns it into vector
// code; the rare phases it cannot wrap (steps beyond a period, or not finite)
// keep their old value, are marked by a negative fraction and take the
// careful wrap afterwards. The sum goes on from the centre voice's value in
// voice order.
template <bool bandLimited>
[[gnu::always_inline]] inline void SuperOscillator::advanceSideVoices(SuperOscillator& o, int count)
{
    for (int v = 1; v < count; ++v) {
        const double phase = o.voicePhase[v];
        const double first = o.voiceIncrementFirstHalf[v];
        const double second = o.voiceIncrementSecondHalf[v];
        double step = phase >= halfTable ? second : first;
        int table = 0;
        if constexpr (bandLimited) {
            step *= o.voiceRandomFactor[v];
            // one step more band-limited than the centre voice: the exponent
            // of the increment picks the table, as bandLimitedTable does
            const auto high = static_cast<std::int32_t>(std::bit_cast<std::uint64_t>(step) >> 32);
            int exponent = ((high >> 20) & 0x7FF) - 1023 + 2;
            exponent = exponent < 0 ? 0 : exponent;
            exponent = exponent > bandLimitedTableCount - 1 ? bandLimitedTableCount - 1 : exponent;
            table = (1 + exponent) * tableStride;
        }
        double next = phase + step;
        const double below = next - wrapLength;
        next = next >= wrapLength ? below : next;
        const double above = next + wrapLength;
        next = next < 0.0 ? above : next;
        const bool usual = next >= 0.0 && next < wrapLength;
        o.voicePhase[v] = usual ? next : phase;
        const double read = usual ? next : 0.0;
        const double unusual = usual ? 0.0 : 1.0;
        const int point = static_cast<int>(read);
        o.readOffset[v] = table + point;
        o.readFraction[v] = (read - point) - 2.0 * unusual;
    }
}

ZARVEX_VECTOR_CLONES void SuperOscillator::advanceSideVoicesPlain(SuperOscillator& o, int count)
{
    advanceSideVoices<false>(o, count);
}

ZARVEX_VECTOR_CLONES void SuperOscillator::advanceSideVoicesBandLimited(SuperOscillator& o, int count)
{
    advanceSideVoices<true>(o, count);
}

template <bool bandLimited>
double SuperOscillator::readSideVoices(double sum)
{
    const int count = static_cast<int>(density);
    if constexpr (bandLimited)
        advanceSideVoicesBandLimited(*this, count);
    else
        advanceSideVoicesPlain(*this, count);
    std::uint64_t signs = 0;
    for (int v = 1; v < count; ++v)
        signs |= std::bit_cast<std::uint64_t>(readFraction[v]);
    if (signs >> 63) {
        for (int v = 1; v < count; ++v) {
            if (!(readFraction[v] < 0.0))
                continue;
            double step = voicePhase[v] >= halfTable ? voiceIncrementSecondHalf[v] : voiceIncrementFirstHalf[v];
            const double* table = getTable(0);
            if constexpr (bandLimited) {
                step *= voiceRandomFactor[v];
                table = bandLimitedTable(step, 2);
            }
            advancePhase(voicePhase[v], step);
            const int point = static_cast<int>(voicePhase[v]);
            readOffset[v] = static_cast<int>(table - getTable(0)) + point;
            readFraction[v] = voicePhase[v] - point;
        }
    }
    const double* tables = getTable(0);
    for (int v = 1; v < count; ++v) {
        const double* point = tables + readOffset[v];
        sum += point[0] + readFraction[v] * (point[1] - point[0]);
    }
    return sum;
}

// At least one read between redraws, whatever the rates. A new interval
// counts from the start of the note, as if it had always been in force.
void SuperOscillator::updateRandomInterval()
{
    const double interval = std::trunc(sampleRate / randomRate);
    randomInterval = interval >= 1.0 ? static_cast<std::int64_t>(std::fmin(interval, 1e15)) : 1;
    nextRedraw = (sampleCounter + randomInterval - 1) / randomInterval * randomInterval;
}
