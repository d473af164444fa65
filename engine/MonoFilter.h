#pragma once

#include "dsp/BiQuadCasc.h"
#include "dsp/Envelopes.h"
#include "dsp/MoogFilter.h"

#include <cstdint>

// The engine's filter section at the host rate. Per sample it computes a
// cutoff from the keytracked, velocity-scaled and gliding base cutoff, pitch
// bend, its own filter envelope and audio-rate modulation by its input and its
// previous output; a resonance the same way; runs the filter that the mode
// selects and mixes dry and filtered signal.
//
// Modes: 0 bypass, 1..9 the biquad designs, 10 Moog ladder, 11 303 ladder,
// 12 and above the tanh ladder. Negative modes run the biquad lowpass.
//
// Every setter takes engine units as doubles and accepts any value: NaN and
// infinities are ignored, and values are limited where an unlimited one could
// make the sound non-finite.
class MonoFilter {
public:
    MonoFilter();

    void setSampleRate(double fs);

    void noteOn(int note, int velocity, int detune);
    void glideTo(int note, int velocity, int detune);
    void noteOff();
    // Clears the filters' histories for a fresh note after silence.
    void reset();
    double processSample(double x);

    void setPitchBend(double semitones);
    void setSlideTime(double seconds);
    void setEnvSlope(double slope);
    void setAccent(double amount);

    void setMode(double newMode);
    void setNumStages(double n);
    void setDryWet(double value);
    void setDryWetByVel(double percent);
    void setCutoff(double hz);
    void setFreqByVel(double semitones);
    void setKeyTrack(double octavesPerOctave);
    void setRefKey(double key);
    void setCutoffModByInput(double percent);
    void setCutoffModByOutput(double percent);
    void setResonance(double value);
    void setResoByVel(double dB);
    void setResoModByInput(double percent);
    void setResoModByOutput(double percent);
    void setResoByCutoff(double dBPerOctave);
    void setGain(double dB);
    void setDrive(double dB);
    void setDcOffset(double offset);
    void setOversampling(double factor);
    void setEnvStart(double semitones);
    void setEnvPeak(double semitones);
    void setEnvEnd(double semitones);
    void setEnvPeakByVel(double semitones);
    void setEnvDurByVel(double exponent);
    void setEnvHold(double seconds);
    void setEnvAttack(double seconds);
    void setEnvDecay(double seconds);
    void setEnvRelease(double seconds);

    int getMode() const { return mode; }
    double getSlideSamples() const { return slideSamples; }
    double getCurrentCutoff() const { return currentCutoff; }
    double getTargetCutoff() const { return targetCutoff; }
    double getCurrentKey() const { return currentKey; }
    double getResonance() const { return resonance; }
    double getDry() const { return dry; }
    double getWet() const { return wet; }
    double getBendCutoffFactor() const { return bendCutoffFactor; }
    // The cutoff and resonance handed to the filter on the latest sample.
    double getLastCutoff() const { return lastCutoff; }
    double getLastResonance() const { return lastResonance; }
    const PitchEnvRC& getEnvelope() const { return filterEnv; }

private:
    double cutoffForKey(double key) const;
    void updateCutoffs();
    void updateResonance();
    void updateEffectiveAmounts();
    double runFilter(double x, double cutoff, double reso);

    BiQuadCasc biquad;
    MoogFilter ladder;
    MoogFilter2 ladder2;
    PitchEnvRC filterEnv;

    double sampleRate = 44100.0;
    double slideTime = 0.5;
    double slideSamples = 22050.0;
    double glideFactor = 1.0;
    std::int64_t glideCount = 0;
    int mode = 0;
    double accent = 1.0;
    double wetBase = 1.0;
    double wetByVelRaw = 0.0;
    double wetByVel = 0.0;
    double dry = 0.0;
    double wet = 1.0;
    double baseCutoff = 20000.0;
    double freqByVelRaw = 0.0;
    double freqByVel = 0.0;
    double cutoffModIn = 0.0;
    double cutoffModOut = 0.0;
    double baseResonance = 0.1;
    double resoByVelRaw = 0.0;
    double resoByVel = 0.0;
    double resoModIn = 0.0;
    double resoModOut = 0.0;
    double resoExponent = 0.0;
    double keytrack = 0.0;
    double dcOffset = 0.0;
    int refKey = 33;
    double envPeakSt = 0.0;
    double envPeakByVelRaw = 0.0;
    double envPeakByVel = 0.0;
    double envDurByVelRaw = 0.0;
    double envDurByVel = 0.0;
    int velocity = 64;
    double currentKey = 33.0;
    double targetKey = 33.0;
    double bendSemitones = 0.0;
    double bendCutoffFactor = 1.0;
    double currentCutoff = 20000.0;
    double targetCutoff = 20000.0;
    double resonance = 0.1;
    double lastOutput = 0.0;
    double lastCutoff = 20000.0;
    double lastResonance = 0.1;
};
