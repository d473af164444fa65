#pragma once

#include "dsp/AudioModule.h"

#include <limits>

// Clocked stage logic shared by the amplitude and the filter envelope. Every
// stage is a one-pole approach towards a target level; the stage is chosen by
// an elapsed-time clock compared with cumulative marks, not by the level:
// attack towards the peak until hold + attack (mark 1; the hold time extends
// the attack), decay towards the sustain level until mark 2, sustain while
// held (still approaching the sustain level, with the clock stopped), then
// release towards the release level. Times are in time units (seconds unless
// the time unit says otherwise); each stage time is the time constant of its
// approach, multiplied by the time scale.
class EnvelopeStages {
public:
    // Times not above 0 (or NaN) are stored as 0: the stage jumps to its target.
    void setAttack(double time);
    void setDecay(double time);
    void setRelease(double time);
    // Negative or NaN hold times are ignored.
    void setHold(double time);
    // Multiplies every stage's time constant but not the stage lengths
    // (marks); only finite factors above 0 are taken.
    void setTimeScale(double factor);

    double getOutput() const { return output; }
    double getClock() const { return clock; }
    bool isHeld() const { return held; }

protected:
    EnvelopeStages(double start, double sustain, double releaseTarget);
    ~EnvelopeStages() = default;

    // Finite rates above 0 are stored; the clock step and coefficients follow.
    void setRate(double rate);
    // Time units per second; finite values above 0 are stored.
    void setTimeUnit(double unitsPerSecond);
    // Levels whose value is not finite are refused.
    static void storeLevel(double& level, double value);

    // Attack from the current output, whatever it is.
    void hold();
    // Release from the current output and from any stage: the clock goes one
    // step past mark 2.
    void release();
    // Moves the output one sample along the stage the clock is in and
    // advances the clock (not while sustaining). Once the clock has passed
    // releaseEnd the output is cut to 0 and false is returned.
    bool advance(double releaseEnd)
    {
        if (clock <= mark1) {
            output = attackPole.approach(peakLevel, output);
        } else if (clock <= mark2) {
            output = decayPole.approach(sustainLevel, output);
        } else if (held) {
            output = decayPole.approach(sustainLevel, output);
            return true;
        } else if (clock <= releaseEnd) {
            output = releasePole.approach(releaseLevel, output);
        } else {
            output = 0.0;
            clock += timeStep;
            return false;
        }
        clock += timeStep;
        return true;
    }

    // One-pole step y = feed * target + retain * y, feed = 1 - retain.
    struct OnePole {
        double feed = 1.0;
        double retain = 0.0;
        double approach(double target, double y) const { return feed * target + retain * y; }
    };

    double startLevel;
    double peakLevel = 1.0;
    double sustainLevel;
    double releaseLevel;
    double attackTime = 0.0;
    double holdTime = 0.0;
    double decayTime = 0.1;
    double releaseTime = 0.01;
    double mark1 = 0.0;
    double mark2 = 0.0;
    double mark3 = 0.0;
    double clock = 0.0;
    double timeUnit = 1.0;
    double rate = 44100.0;
    double timeStep = 1.0 / 44100.0;
    double timeScale = 1.0;
    bool held = false;
    OnePole attackPole;
    OnePole decayPole;
    OnePole releasePole;
    double output = 0.0;

private:
    OnePole poleFor(double& storedTime, double time) const;
    void updateMarks();
    void updateCoefficients();
};

// Amplitude envelope. After the release has run for its time plus a fixed
// 2 time units it cuts to 0 and reports itself finished, which the engine
// takes as its idle condition. getSample is not gated by that flag.
class AmpEnvRc : public AudioModule, public EnvelopeStages {
public:
    AmpEnvRc();

    // Finite rates above 0 are stored; timing and coefficients follow.
    void setSampleRate(double rate) override;
    double getSample() override
    {
        if (!advance(mark3 + releaseTail))
            finished = true;
        return output;
    }

    // Levels in dB, stored as linear gains; a gain that is not finite (NaN,
    // or a dB value so large that it overflows) is refused. The start level
    // is kept but does not enter the output.
    void setStart(double dB);
    void setPeak(double dB);
    void setSustain(double dB);
    void setReleaseFloor(double dB);
    using EnvelopeStages::setTimeUnit;

    // Attack from wherever the output stands.
    void trigger();
    void startRelease() { release(); }
    void resetClock() { clock = 0.0; }

    bool isFinished() const { return finished; }

private:
    // Time units the release runs on after its release time before it cuts to 0.
    static constexpr double releaseTail = 2.0;

    bool finished = true;
};

// Filter envelope: the same stage logic with levels as frequency ratios
// (start, peak, a middle level of 1.0 held as the sustain level, end). Its
// release has no cut: it keeps approaching the end level. The time unit is
// the velocity speed factor set at each note.
class PitchEnvRC : private EnvelopeStages {
public:
    PitchEnvRC();

    void setSampleRate(double rate) { setRate(rate); }
    // Velocity factor of the envelope's speed; finite values above 0 only.
    void setSpeed(double speed) { setTimeUnit(speed); }
    // Ratios; values that are not finite are refused.
    void setStart(double ratio) { storeLevel(startLevel, ratio); }
    void setPeak(double ratio) { storeLevel(peakLevel, ratio); }
    void setEnd(double ratio) { storeLevel(releaseLevel, ratio); }
    using EnvelopeStages::setAttack;
    using EnvelopeStages::setDecay;
    using EnvelopeStages::setRelease;
    using EnvelopeStages::setHold;
    using EnvelopeStages::setTimeScale;

    // Restarts the attack. A note that starts during the release continues
    // from the present output; once the clock has reached attack + decay +
    // release (hold not counted) it starts from the start level.
    void noteOn();
    void noteOff() { release(); }
    // One step; returns the ratio by which the cutoff is multiplied.
    double getSample()
    {
        advance(std::numeric_limits<double>::infinity());
        return output;
    }

    using EnvelopeStages::getClock;
    using EnvelopeStages::getOutput;
    using EnvelopeStages::isHeld;
};
