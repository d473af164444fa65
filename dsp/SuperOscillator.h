#pragma once

#include "dsp/Oscillator.h"

#include <array>
#include <cstdint>

// Up to 127 voices reading the tables of the wavetable oscillator, spread
// symmetrically around the played frequency and summed with 1/sqrt(count).
// Voice 0 is the centre; voices 2j-1 and 2j form the j-th pair, the odd one
// above and the even one below. On the band-limited read each side voice is
// also detuned by its own random value, redrawn every randomInterval reads.
class SuperOscillator : public Oscillator {
public:
    static constexpr int maxVoices = 127;

    SuperOscillator();

    void setSampleRate(double sr) override;
    double getSample() override;
    // The generator sets frequency, width and detune at every read; unchanged
    // values return at once.
    void setFrequency(double hz) override
    {
        if (hz != frequency || incrementsStale)
            changeFrequency(hz);
    }
    void setPulseWidth(double pw) override
    {
        if (pw != pulseWidth)
            changePulseWidth(pw);
    }
    double getSampleAntiAliased() override;
    // The plain oscillator's increments, worked out in its own way: the next
    // frequency works the voices' increments out afresh.
    void calcIncrements() override
    {
        Oscillator::calcIncrements();
        incrementsStale = true;
    }
    void resetPhase() override;
    using Oscillator::resetPhase;

    virtual void setDensity(std::int64_t n);
    virtual void setSpacing(bool linear);
    virtual void setDetuneRandom(double percent);
    virtual void setDetuneRandomRate(double hz);
    virtual void setDetune(double semitones)
    {
        if (semitones != detuneSemitones)
            changeDetune(semitones);
    }

    std::int64_t getDensity() const { return density; }
    double getVoiceGain() const { return voiceGain; }
    double getDetuneFactor() const { return detuneFactor; }
    std::int64_t getRandomInterval() const { return randomInterval; }
    double getVoicePhase(int voice) const { return voicePhase[voice]; }
    double getVoiceIncrementFirstHalf(int voice) const { return voiceIncrementFirstHalf[voice]; }
    double getVoiceIncrementSecondHalf(int voice) const { return voiceIncrementSecondHalf[voice]; }
    // True when the centre voice passed the end of its period during the last read.
    bool getCycleWrapped() const { return cycleWrapped; }

protected:
    // Switching to silence or noise also drops a pending cycle flag, which a
    // silent oscillator would otherwise keep reporting.
    void waveformAdopted() override;

private:
    void changeFrequency(double hz);
    void changePulseWidth(double pw);
    void changeDetune(double semitones);
    double readVoices(bool bandLimited);
    // The side voices' read: phases advanced, one value each, added to sum in voice order.
    template <bool bandLimited> double readSideVoices(double sum);
    // The first part of that read: phases, table offsets and fractions.
    template <bool bandLimited> static void advanceSideVoices(SuperOscillator& o, int count);
    static void advanceSideVoicesPlain(SuperOscillator& o, int count);
    static void advanceSideVoicesBandLimited(SuperOscillator& o, int count);
    void updateRandomInterval();
    void updateRandomFactors();
    void updateSpreadFactors();

    static constexpr int tableStride = tableLength + 1;

    // Per voice, in arrays the voice loop reads in step.
    alignas(16) std::array<double, maxVoices> voicePhase {};
    alignas(16) std::array<double, maxVoices> voiceIncrementFirstHalf {};
    alignas(16) std::array<double, maxVoices> voiceIncrementSecondHalf {};
    // 1 + random value * random amount, the factor of the band-limited read.
    alignas(16) std::array<double, maxVoices> voiceRandomFactor {};
    alignas(16) std::array<double, maxVoices> voiceRandom {};
    // Exponential spacing: each side voice's ratio to the centre.
    alignas(16) std::array<double, maxVoices> voiceSpread {};
    // The read's scratch: where each voice reads, and the fraction between
    // two points (negative for a phase that needs the careful wrap).
    alignas(16) std::array<std::int32_t, maxVoices> readOffset {};
    alignas(16) std::array<double, maxVoices> readFraction {};

    std::int64_t density = 1;
    double detuneSemitones = 0.0;
    double detuneFactor = 1.0;
    bool linearSpacing = false;
    double randomAmount = 0.0;
    double randomRate = 20.0;
    std::int64_t randomInterval = 2205;
    double voiceGain = 1.0;
    // Band-limited reads since the phases were reset, and the count at which
    // the side voices draw their random values next.
    std::int64_t sampleCounter = 0;
    std::int64_t nextRedraw = 0;
    bool cycleWrapped = false;
    // The voice increments follow the frequency and these settings; they are
    // worked out again when one of them has changed.
    bool incrementsStale = true;
    // What voiceSpread was worked out for.
    double spreadFactor = 1.0;
    std::int64_t spreadPairs = 0;
};
