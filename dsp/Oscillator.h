#pragma once

#include "dsp/AudioModule.h"
#include "dsp/Noise.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <mutex>

// Single-voice wavetable oscillator. One period is a table of 8192 points read
// with linear interpolation; beside the table as built it keeps eleven
// progressively low-passed copies for the band-limited read, picked by the
// phase increment. The pulse width splits the period: the first half of the
// table takes pulseWidth of it, the second half the rest.
//
// Waveforms: 0 off, 1 white noise, 2 pink noise, 3 sine, 4 triangle, 5 pulse,
// 6 saw up, 7 saw down, 8 peak up, 9 peak down, 10 Moog saw, 11 square minus
// sine, 12 sine octaves, 13 saw octaves, 14/15/16 white/pink/brown noise
// cycles; any higher index plays the sine.
//
// The tables of a waveform depend on nothing but the waveform (and, for the
// octave waveforms, on the rate they were asked for at): they are built once
// per process, by the first thread that asks for them, and every oscillator
// reads them. A waveform change may still have to build them, too slow for
// the audio thread. So the oscillator keeps three slots: the reading thread
// plays one, other threads fill a free one and post it, and the next read
// takes it over. The reading side never allocates, locks or waits.
class Oscillator : public AudioModule {
public:
    static constexpr int tableLength = 8192;
    static constexpr int bandLimitedTableCount = 12;

    Oscillator();

    void setSampleRate(double sr) override;
    double getSample() override;

    // Builds and switches at once, for the thread that also reads samples.
    virtual void setWaveform(std::int64_t index);
    // Any thread but the reading one, several at once: builds the tables
    // aside and posts them; the last one posted is taken over by the next
    // read. Negative indices and the waveform last asked for are ignored.
    void prepareWaveform(std::int64_t index);
    // Reading thread: takes over the last posted waveform, if any (every
    // sample read does this first). True when one was taken over.
    bool adoptPreparedWaveform()
    {
        return pending.load(std::memory_order_relaxed) != nullptr && adoptPending();
    }
    virtual void setStartPhase(double degrees);
    virtual void setFrequency(double hz);
    virtual void setPulseWidth(double pw);
    virtual void calcIncrements();
    virtual double getSampleAntiAliased();
    virtual void resetPhase();
    virtual void resetPhase(double offset);
    // Live noise and random detune draw from this source, which must outlive
    // the oscillator; oscillators that sound together share one, so that they
    // draw one sequence between them. Until then each draws from its own.
    void setNoiseSource(NoiseGenerator& source) { noise = &source; }

    std::int64_t getWaveform() const { return waveform; }
    double getFrequency() const { return frequency; }
    double getPulseWidth() const { return pulseWidth; }
    double getPhase() const { return phase; }
    double getStartPhase() const { return startPhase; }
    double getIncrement() const { return increment; }
    double getIncrementFirstHalf() const { return incrementFirstHalf; }
    double getIncrementSecondHalf() const { return incrementSecondHalf; }

    // Table 0 is the waveform as built, 1 ... 12 the band-limited set (1 is an
    // unfiltered copy, 12 the fundamental alone). Each has tableLength + 1
    // points, the last a guard equal to the first.
    const double* getTable(int t) const { return current->tables + t * tableStride; }

protected:
    static constexpr double halfTable = 4096.0;
    // A period covers 8191 points while the increment is computed for 8192,
    // so the phase wraps before the guard point is needed.
    static constexpr double wrapLength = 8191.0;
    static constexpr std::int64_t firstTableWaveform = 3;

    // Waveforms 0 ... 2: silence, white noise, pink noise.
    double liveNoise();
    // Band-limited table for an increment: 1 + clamp(exponent + extra, 0, 11).
    // The exponent field of the double, so any sign, zero, NaN or infinity
    // still lands on a valid table.
    const double* bandLimitedTable(double increment, int extra) const
    {
        const auto bits = std::bit_cast<std::uint64_t>(increment);
        const int exponent = static_cast<int>((bits >> 52) & 0x7FF) - 1023;
        return getTable(1 + std::clamp(exponent + extra, 0, bandLimitedTableCount - 1));
    }
    // Advances and wraps into [0, wrapLength]; true when it passed the end
    // upwards. Non-finite phases from absurd settings restart at 0.
    static bool advancePhase(double& phase, double increment)
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
    static double interpolate(const double* table, double phase)
    {
        const int i = static_cast<int>(phase);
        const double f = phase - i;
        return table[i] + f * (table[i + 1] - table[i]);
    }
    // Works the factors out when the width has changed since they were;
    // true when it had.
    bool updateHalfFactors();
    // Reading thread, after a waveform was taken over.
    virtual void waveformAdopted() {}

    NoiseGenerator ownNoise;
    NoiseGenerator* noise = &ownNoise;
    White2PinkFilter pinkFilter;
    double invSampleRate = 1.0 / 44100.0;
    double frequency = 440.0;
    double pulseWidth = 0.5;
    double phase = 0.0;
    std::int64_t waveform = 0;
    double startPhase = 0.0;
    double increment = 440.0 * tableLength / 44100.0;
    double incrementFirstHalf = increment;
    double incrementSecondHalf = increment;
    double firstHalfFactor = 1.0;
    double secondHalfFactor = 1.0;
    // The width the half factors belong to.
    double halfFactorsWidth = 0.5;

private:
    static constexpr int tableStride = tableLength + 1;
    static constexpr int tableSetCount = 3;

    // A waveform number and the shared tables it plays.
    struct TableSet {
        const double* tables = nullptr;
        std::int64_t waveform = 0;
        // The pink cycle's build leaves its filter there; the live pink noise
        // goes on from it, as it did when the tables were built in place.
        const White2PinkFilter* pink = nullptr;
    };

    void updateIncrements();
    double readTable(bool bandLimited);
    bool adoptPending();
    void selectTables(TableSet& set, std::int64_t index);

    std::array<TableSet, tableSetCount> sets;
    // Reading thread: the set it plays.
    TableSet* current;
    // Published by the reading thread once it has switched to a set, so the
    // builders know which one it no longer reads.
    std::atomic<TableSet*> active;
    // The newest set filled and not yet taken over.
    std::atomic<TableSet*> pending { nullptr };
    // Builders only, under builderMutex: the last set posted.
    TableSet* latest;
    // Guards the builders' state: latest and the free sets. Never taken by
    // the reading thread.
    std::mutex builderMutex;
    // The rate the octave builders see, safe to read on any thread.
    std::atomic<double> buildSampleRate { sampleRate };
};

// Display name of what a waveform number plays: numbers beyond the named
// ones play the sine; negative ones are "Reserved". text must hold 16 bytes.
void getWaveformName(std::int64_t index, char* text);
