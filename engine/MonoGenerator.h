#pragma once

#include <cstdint>

#include "dsp/ExponentialRamp.h"
#include "dsp/LpfHpfApf.h"
#include "dsp/Oscillator.h"
#include "dsp/SuperOscillator.h"
#include "engine/VelocityAmount.h"

// The raw voice at twice the host rate: three oscillators with their tone
// filters and per-note ramps, amplitude, frequency and ring modulation between
// them, vibrato and pulse-width LFOs, glide, pitch bend and hard sync.
// Oscillator 1 is the carrier; oscillators 2 and 3 modulate it.
class MonoGenerator {
public:
    // The fixed numbering of the per-note ramps.
    enum Ramp : int {
        osc1AmpRamp,
        osc2AmpRamp,
        osc3AmpRamp,
        osc1PitchRamp,
        osc2PitchRamp,
        osc3PitchRamp,
        rm12Ramp,
        rm13Ramp,
        rm23Ramp,
        osc1DetuneRamp,
        am21Ramp,
        am31Ramp,
        fm11Ramp,
        fm21Ramp,
        fm31Ramp,
        numRamps
    };

    MonoGenerator();
    virtual ~MonoGenerator() = default;

    void setSampleRate(double rate);

    void noteOn(int note, int velocity, int detune);
    void glideTo(int note, int detune);
    void resetPhases();
    // Clears the tone filters and the fed-back outputs of the last tick.
    void clearHistories();
    double tick();

    // Voice controls, validated by the engine.
    void setAccent(double a);
    void setEnvSlope(double s);
    void setSlideTime(double seconds);
    void setPitchBend(double semitones);

    // Waveform indices; 0 (and anything negative) switches the oscillator or
    // LFO off. The set functions build and switch at once, on the thread that
    // ticks; the prepare functions build on the calling thread, any but that
    // one, and the next tick switches.
    void setO1Wave(std::int64_t waveform);
    void setO2Wave(std::int64_t waveform);
    void setO3Wave(std::int64_t waveform);
    void setVibWave(std::int64_t waveform);
    void setPWMWave(std::int64_t waveform);
    void prepareO1Wave(std::int64_t waveform);
    void prepareO2Wave(std::int64_t waveform);
    void prepareO3Wave(std::int64_t waveform);
    void prepareVibWave(std::int64_t waveform);
    void preparePWMWave(std::int64_t waveform);

    void setVibDepth(double depth);   // 0..1
    void setPWMDepth(double percent); // 0..50

    // Start phases in degrees; above 359.99 the oscillator runs freely across notes.
    void setO1Phase(double degrees);
    void setO2Phase(double degrees);
    void setO3Phase(double degrees);

    // Pulse widths in percent; 0, 100 and beyond keep the previous width.
    void setO1PW(double percent);
    void setO2PW(double percent);
    void setO3PW(double percent);

    void setO2CoarseTune(double semitones);
    void setO2FineTune(double cents);
    void setO3CoarseTune(double semitones);
    void setO3FineTune(double cents);

    void setModulation(int mode);   // 0 none, 1 raw, 2 filtered, 3 filtered and scaled outputs
    void setSyncToOsc1(int mode);   // 0 none, 1 osc 2, 2 osc 3, 3 both

    // Ramp start, end and start-by-velocity in the unit of the ramp: dB for the
    // amplitude and ring-modulation ramps, semitones for the pitch and detune
    // ramps, the plain depth for AM and FM 2->1, 3->1, and percent for FM 1->1
    // (whose start, end and amount are only taken within 0..100). The start
    // acts at once and is recomputed with the velocity at the next note-on.
    // Ramp times go to the ramps themselves (setTime, in ms).
    void setRampStart(int ramp, double value);
    void setRampEnd(int ramp, double value);
    void setRampStartByVel(int ramp, double amount);
    void setRampTime(int ramp, double ms) { ramps[ramp].setTime(ms); }

    // LFO rates in Hz.
    void setVibSpeed(double hz) { setRate(vibratoLfo, hz); }
    void setPWMSpeed(double hz) { setRate(pwmLfo, hz); }

    // Oscillator 1's voices, their spacing and random detune in percent.
    void setO1Density(std::int64_t voices) { osc1.setDensity(voices); }
    void setO1DetSpacing(bool linear) { osc1.setSpacing(linear); }
    void setO1DetRnd(double percent) { osc1.setDetuneRandom(percent); }

    // The tone filters of oscillators 1..3, in Hz.
    void setOscLowpass(int osc, double hz) { toneFilter(osc).setLowpassFrequency(hz); }
    void setOscHighpass(int osc, double hz) { toneFilter(osc).setHighpassFrequency(hz); }
    void setOscAllpass(int osc, double hz) { toneFilter(osc).setAllpassFrequency(hz); }

    // The voice's one noise source, shared by its oscillators.
    NoiseGenerator noise;
    SuperOscillator osc1;
    Oscillator osc2;
    Oscillator osc3;
    Oscillator vibratoLfo;
    Oscillator pwmLfo;
    LpfHpfApf osc1Filter;
    LpfHpfApf osc2Filter;
    LpfHpfApf osc3Filter;
    ExponentialRamp ramps[numRamps];

private:
    static void setRate(Oscillator& lfo, double hz)
    {
        lfo.setFrequency(hz);
        lfo.calcIncrements();
    }
    LpfHpfApf& toneFilter(int osc) { return osc == 1 ? osc1Filter : osc == 2 ? osc2Filter : osc3Filter; }

    // What one oscillator delivered in a tick: as read, after its tone filter,
    // and scaled by its amplitude.
    struct OscOutput {
        double raw = 0.0;
        double filtered = 0.0;
        double scaled = 0.0;
    };

    OscOutput runModulator(Oscillator& osc, LpfHpfApf& toneFilter, ExponentialRamp& pitch,
                           ExponentialRamp& amp, double tuneFactor, double pulseWidth, double vib,
                           double pwm, double& frequency);
    OscOutput runCarrier(double vib, double pwm, const OscOutput& out2, const OscOutput& out3,
                         double& ringMod);
    double rampValue(int ramp, double value) const;
    bool rampStartUsesVelocity(int ramp) const;
    void updateTuneFactors();

    double sampleRate = 44100.0;
    double slideTime = 0.5;
    double slideSamples = 22050.0;
    double glidePitchStep = 0.0;
    double glideFactor = 1.0;
    // 64 bits, so that a huge slide time cannot overflow the count.
    std::int64_t glideCount = 0;
    double currentPitch = 69.0;
    double targetPitch = 69.0;
    double currentFrequency = 440.0;
    double targetFrequency = 440.0;
    double bendFactor = 1.0;
    double accent = 1.0;
    double vibratoDepth = 0.0;
    double pwmDepth = 0.0;
    bool modulationOff = false;
    bool syncOn = false;
    int syncMode = 0;
    int modulationMode = 0;
    double pulseWidth1 = 0.5;
    double pulseWidth2 = 0.5;
    double pulseWidth3 = 0.5;
    double coarseTune2 = 0.0;
    double fineTune2 = 0.0;
    double coarseTune3 = 0.0;
    double fineTune3 = 0.0;
    double tuneFactor2 = 1.0;
    double tuneFactor3 = 1.0;
    double startPhaseDeg1 = 0.0;
    double startPhaseDeg2 = 0.0;
    double startPhaseDeg3 = 0.0;
    // Start settings of the ramps in their own units (0 dB, 0 semitones and a
    // depth of 1 all match a fresh ramp's start of 1.0) and their velocity amounts.
    double rampBaseStart[numRamps] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1};
    VelocityAmount rampStartByVel[numRamps];
    // The last frequencies of oscillators 2 and 3 (kept while they are off) and
    // oscillator 1's outputs of the previous tick, which feed the modulation.
    double frequency2 = 0.0;
    double frequency3 = 0.0;
    OscOutput previous1;
};
