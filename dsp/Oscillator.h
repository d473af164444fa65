#pragma once

#include "dsp/AudioModule.h"
#include "dsp/FourierTransformer.h"
#include "dsp/Noise.h"

#include <cstdint>
#include <memory>

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
// Every setter, waveform changes included, may run on the audio thread: all
// tables and the scratch spectrum are allocated by the constructor, and a
// rebuild neither allocates nor locks.
class Oscillator : public AudioModule {
public:
    static constexpr int tableLength = 8192;
    static constexpr int bandLimitedTableCount = 12;

    Oscillator();

    void setSampleRate(double sr) override;
    double getSample() override;

    virtual void setWaveform(std::int64_t index);
    virtual void setStartPhase(double degrees);
    virtual void setFrequency(double hz);
    virtual void setPulseWidth(double pw);
    virtual void calcIncrements();
    virtual double getSampleAntiAliased();
    virtual void resetPhase();
    virtual void resetPhase(double offset);

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
    const double* getTable(int t) const { return tables.get() + t * tableStride; }

protected:
    static constexpr double halfTable = 4096.0;
    // A period covers 8191 points while the increment is computed for 8192,
    // so the phase wraps before the guard point is needed.
    static constexpr double wrapLength = 8191.0;
    static constexpr std::int64_t firstTableWaveform = 3;

    // Waveforms 0 ... 2: silence, white noise, pink noise.
    double liveNoise();
    // Band-limited table for an increment: 1 + clamp(exponent + extra, 0, 11).
    const double* bandLimitedTable(double increment, int extra) const;
    // Advances and wraps into [0, wrapLength]; true when it passed the end
    // upwards. Non-finite phases from absurd settings restart at 0.
    static bool advancePhase(double& phase, double increment);
    static double interpolate(const double* table, double phase);
    void updateHalfFactors();

    White2PinkFilter pinkFilter;
    FourierTransformer fft;
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

private:
    static constexpr int tableStride = tableLength + 1;

    void updateIncrements();
    double readTable(bool bandLimited);
    double* table(int t) { return tables.get() + t * tableStride; }
    void buildTables(std::int64_t index);
    void fill(double (*shape)(int));
    void buildOctaves(double (*shape)(int));
    void buildNoiseCycle(std::int64_t index);
    void removeDc();
    void normalizePeak();
    void buildBandLimitedTables();

    // Thirteen tables followed by the scratch spectrum of the band-limiting,
    // which is per oscillator so that instances never share it.
    std::unique_ptr<double[]> tables;
};

// Display name of a waveform number ("Reserved" for anything but 0 ... 13);
// text must hold 11 bytes.
void getWaveformName(std::int64_t index, char* text);
