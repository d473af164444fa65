#pragma once

#include "dsp/AudioModule.h"

#include <cstdint>

// Design numbers of the cascade. Any value outside 0..9 designs the lowpass.
enum class BiQuadMode : std::int64_t {
    bypass = 0,
    lowpass = 1,
    highpass = 2,
    bandpassSkirt = 3, // peak gain equals q
    bandpassPeak = 4,  // 0 dB peak gain
    bandReject = 5,
    allpass = 6,
    peaking = 7,
    lowShelf = 8,
    highShelf = 9,
};

// Normalised coefficients shared by every stage of the cascade (a0 divided out).
struct BiQuadCoefficients {
    double a1 = 0.0;
    double a2 = 0.0;
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
};

// One to five identical Direct Form I biquads in series, designed with the RBJ
// cookbook formulas. setFrequency, setQ and setGain only store: the owner
// changes what it needs and then calls calcCoefficients once.
//
// Every design is stable, but a Direct Form history read with new
// coefficients can hold more than it did: a cutoff swung across the spectrum
// at audio rate pumps a resonant stage up without bound. So when the
// coefficients change, no stage's history may be lifted above what the
// design's peak gain lets the cascade's input produce (with headroom); its
// free response is scaled back instead. Histories below that level, and
// every history under fixed coefficients, are left exactly as they are.
class BiQuadCasc : public AudioModule {
public:
    static constexpr std::int64_t maxStages = 5;
    static constexpr double minFrequency = 20.0;
    static constexpr double maxFrequency = 20000.0;

    BiQuadCasc();

    void setSampleRate(double rate) override;
    double processSample(double in) override;

    virtual void setMode(std::int64_t newMode);
    virtual void setNumStages(std::int64_t n);
    virtual void setFrequency(double hz);
    virtual void setQ(double newQ);
    virtual void setGain(double dB);
    virtual void setCoefficients(double newA1, double newA2, double newB0, double newB1, double newB2);
    virtual void calcCoefficients();
    virtual void reset();

    std::int64_t getMode() const { return mode; }
    std::int64_t getNumStages() const { return numStages; }
    double getFrequency() const { return frequency; }
    double getQ() const { return q; }
    double getGain() const { return gainDb; }
    double getA0() const { return a0; }
    BiQuadCoefficients getCoefficients() const { return {a1, a2, b0, b1, b2}; }

private:
    // A coefficient set with the quadratic form that measures a history
    // under it (in its next two outputs for zero input).
    struct Recursion {
        Recursion() = default;
        explicit Recursion(const BiQuadCoefficients& c);
        BiQuadCoefficients c;
        double u0u0 = 2.0;
        double u0u1 = 0.0;
        double u1u1 = 2.0;
    };
    // Squared amplitude of each stage's response to silence from now on, as
    // the recursion r would play it out.
    void freeAmplitudesSq(const Recursion& r, double* amplitudesSq) const;
    // Scales back a history that the new recursion would lift above the
    // level the design and the input allow.
    void limitLiftedHistories(const Recursion& now);

    double samplePeriod = 1.0 / 44100.0;
    // Decay per sample of the remembered input peak.
    double inputPeakDecay = 0.0;
    std::int64_t numStages = 1;
    std::int64_t mode = 0;
    double frequency = maxFrequency;
    double q = 1.0;
    double gainDb = 0.0;
    double a0 = 1.0;
    double a1 = 0.0;
    double a2 = 0.0;
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double x1[maxStages] = {};
    double x2[maxStages] = {};
    double y1[maxStages] = {};
    double y2[maxStages] = {};
    // Highest magnitude response of one stage of the current design.
    double peakGain = 1.0;
    // Input peak, decaying, and the recursion the histories were last run with.
    double inputPeak = 0.0;
    Recursion lastRun;
};
