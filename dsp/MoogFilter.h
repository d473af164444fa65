#pragma once

#include "dsp/AntiAliasFilter.h"
#include "dsp/AudioModule.h"

#include <cstdint>
#include <limits>

// Marks a cached coefficient as due: no cutoff compares equal to it.
inline constexpr double notWorkedOut = std::numeric_limits<double>::quiet_NaN();

// Ladder types of MoogFilter.
enum class LadderMode : std::int64_t {
    moog = 1,  // four equal poles
    tb303 = 2, // three equal poles and a fourth at 11/6 of the cutoff
};

// Resonant ladder lowpass: four one-pole stages with negative feedback from the
// fourth stage, a hard clip at +-2 at the ladder input (its only nonlinearity,
// which also keeps self-oscillation bounded) and internal oversampling.
// setFrequency and setMode only store: the owner calls calcCoefficients.
class MoogFilter : public AudioModule {
public:
    static constexpr std::int64_t defaultOversampling = 10;

    MoogFilter();

    void setSampleRate(double rate) override;
    double processSample(double in) override;

    virtual void setOversampling(std::int64_t n);
    virtual void setMode(std::int64_t newMode);
    virtual void setNumPoles(std::int64_t n);
    virtual void setDrive(double dB);
    virtual void setFrequency(double hz);
    virtual void setResonance(double r);
    virtual void calcCoefficients();

    // Forgets the ladder's past; the anti-alias lowpass keeps its own.
    void clearHistory();

    std::int64_t getMode() const { return mode; }
    std::int64_t getOutputTap() const { return outputTap; }
    double getCutoff() const { return cutoff; }
    double getResonance() const { return resonance; }
    double getDrive() const { return drive; }
    const Oversampler& getOversampler() const { return oversampler; }

private:
    Oversampler oversampler{defaultOversampling};
    double stage4Ratio = 11.0 / 6.0;
    double samplePeriod = 1.0 / 44100.0;
    std::int64_t mode = static_cast<std::int64_t>(LadderMode::moog);
    double cutoff = 20000.0;
    double resonance = 0.0;
    double drive = 1.0;
    std::int64_t outputTap = 3;
    double feedback = 0.0;
    // The cutoff the coefficients were worked out for (NaN: none yet, or a
    // setting that also decides them has changed since).
    double coefficientsCutoff = notWorkedOut;
    double gain[4] = {};
    double pole[4] = {};
    double stageOut[4] = {};
};

// Ladder with a tanh in every stage: each stage integrates the difference
// between the tanh of its input and the tanh of its own output, so no step
// moves a stage by more than 2 * stageGain and no input clip is needed.
// Oversampled like MoogFilter; its stage gain follows the cutoff on every call.
class MoogFilter2 {
public:
    MoogFilter2();
    virtual ~MoogFilter2() = default;

    void setSampleRate(double fs);
    void setOversampling(std::int64_t n);
    void setNumPoles(std::int64_t n);
    void setDrive(double dB);
    void setFrequency(double hz);
    void setResonance(double r);
    double processSample(double in);
    void clearHistory();

    std::int64_t getOutputTap() const { return outputTap; }
    double getCutoff() const { return cutoff; }
    double getResonance() const { return resonance; }
    double getDrive() const { return drive; }
    const Oversampler& getOversampler() const { return oversampler; }

private:
    Oversampler oversampler{MoogFilter::defaultOversampling};
    double samplePeriod = 1.0 / 44100.0;
    double cutoff = 20000.0;
    double resonance = 0.0;
    double drive = 1.0;
    double stageGain = 0.0;
    // The cutoff the stage gain was worked out for (NaN: none yet, or the
    // rate or oversampling has changed since).
    double stageGainCutoff = notWorkedOut;
    std::int64_t outputTap = 3;
    double tanhMemory[3] = {};
    double stageOut[4] = {};
};
