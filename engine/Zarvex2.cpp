#include "engine/Zarvex2.h"

#include <cmath>

#include "engine/Levels.h"

namespace {

// Cutoff of the 2:1 decimator behind the generator.
constexpr double kDecimatorCutoff = 16000.0;

// A fresh note resets phases and filter state only when one of the amplitude
// envelopes has fallen below -40 dB, so a note that starts while the previous
// one still sounds continues without a click.
constexpr double kResetLevel = 0.01;

// A note's envelope peak: the peak setting plus the velocity's share.
void setNotePeak(AmpEnvRc& env, double peakDb, const VelocityAmount& byVel, int velocity)
{
    env.setPeak(limitLevelDb(peakDb + byVel.centred(velocity)));
}

void setPeakSetting(AmpEnvRc& env, double& kept, double db)
{
    if (!std::isfinite(db))
        return;
    kept = limitLevelDb(db);
    env.setPeak(kept);
}

} // namespace

Zarvex2::Zarvex2() { antiAlias.setCutoff(kDecimatorCutoff); }

void Zarvex2::setSampleRate(double hostRate)
{
    if (!supportsRate(hostRate))
        return;
    generator.setSampleRate(2.0 * hostRate);
    antiAlias.setSampleRate(2.0 * hostRate);
    filter.setSampleRate(hostRate);
    ampEnv1.setSampleRate(hostRate);
    ampEnv2.setSampleRate(hostRate);
    distortion.setSampleRate(hostRate);
    restartSound();
}

double Zarvex2::getSample()
{
    if (ampEnv1.isFinished() || ampEnv2.isFinished())
        return 0.0;
    // Decimation by 2 keeps every second filtered value; both values are
    // made first, so that the filter's history stays in registers.
    const double first = generator.tick();
    const double second = generator.tick();
    double x = antiAlias.processSequence(2, [&](std::int64_t k) { return k == 0 ? first : second; });
    if (filterOn)
        x = filter.processSample(x);
    x *= ampEnv1.getSample();
    if (distortionOn)
        x = distortion.processOversampled(x);
    x *= ampEnv2.getSample();
    return x * outputGain;
}

void Zarvex2::noteOn(int note, int velocity, int detune)
{
    if (note < 0 || note > 127 || velocity < 0 || velocity > 127)
        return;
    if (currentNote == -1) {
        if (ampEnv1.getOutput() < kResetLevel || ampEnv2.getOutput() < kResetLevel) {
            generator.resetPhases();
            filter.reset();
        }
        currentVelocity = velocity;
        currentNote = note;
        currentDetune = detune;
        generator.noteOn(note, velocity, detune);
        filter.noteOn(note, velocity, detune);
        setNotePeak(ampEnv1, ampEnv1PeakDb, ampEnv1PeakByVel, velocity);
        setNotePeak(ampEnv2, ampEnv2PeakDb, ampEnv2PeakByVel, velocity);
        ampEnv1.trigger();
        ampEnv2.trigger();
    } else if (note != currentNote) {
        // Legato: the phrase keeps the detune of the note that started it.
        currentVelocity = velocity;
        currentNote = note;
        generator.glideTo(note, currentDetune);
        filter.glideTo(note, velocity, currentDetune);
    }
    distortion.setDryWet(distMix + distMixByVel.proportional(currentVelocity));
    updateOutputGain();
}

void Zarvex2::noteOff()
{
    if (currentNote == -1)
        return;
    filter.noteOff();
    ampEnv1.startRelease();
    ampEnv2.startRelease();
    currentNote = -1;
    currentVelocity = 0;
}

void Zarvex2::setPitchBend(double semitones)
{
    if (!std::isfinite(semitones))
        return;
    generator.setPitchBend(semitones);
    filter.setPitchBend(semitones);
}

void Zarvex2::setAccent(double a)
{
    if (!std::isfinite(a))
        return;
    accent = a;
    generator.setAccent(a);
    filter.setAccent(a);
    ampEnv1PeakByVel.applyAccent(a);
    ampEnv2PeakByVel.applyAccent(a);
    distMixByVel.applyAccent(a);
    volumeByVel.applyAccent(a);
}

void Zarvex2::setSlideTime(double seconds)
{
    if (!(seconds >= 0.0) || !std::isfinite(seconds))
        return;
    generator.setSlideTime(seconds);
    filter.setSlideTime(seconds);
}

void Zarvex2::setEnvSlope(double s)
{
    if (!(s > 0.0) || !std::isfinite(s))
        return;
    generator.setEnvSlope(s);
    filter.setEnvSlope(s);
    ampEnv1.setTimeScale(s);
    ampEnv2.setTimeScale(s);
}

void Zarvex2::setVolume(double db)
{
    if (std::isfinite(db))
        volumeDb = db;
    updateOutputGain();
}

void Zarvex2::setVolByVel(double db)
{
    volumeByVel.set(db, accent);
    updateOutputGain();
}

void Zarvex2::updateOutputGain()
{
    // Between notes the velocity is 0; the next note-on replaces this gain.
    outputGain = dbToGain(volumeDb + volumeByVel.centred(currentVelocity));
}

void Zarvex2::setFilterMode(int mode)
{
    filterOn = mode != 0;
    filter.setMode(mode);
}

void Zarvex2::setStages(int stages) { filter.setNumStages(stages); }
void Zarvex2::setFilterDryWetByVel(double percent) { filter.setDryWetByVel(percent); }
void Zarvex2::setFilterFreqByVel(double semitones) { filter.setFreqByVel(semitones); }
void Zarvex2::setFilterFMByInput(double percent) { filter.setCutoffModByInput(percent); }
void Zarvex2::setFilterFMByOutput(double percent) { filter.setCutoffModByOutput(percent); }
void Zarvex2::setReso(double resonance) { filter.setResonance(resonance); }
void Zarvex2::setResonanceByVelocity(double db) { filter.setResoByVel(db); }
void Zarvex2::setResoModByInput(double percent) { filter.setResoModByInput(percent); }
void Zarvex2::setResoModByOutput(double percent) { filter.setResoModByOutput(percent); }
void Zarvex2::setFilterDrive(double db) { filter.setDrive(db); }
void Zarvex2::setFiltHold(double seconds) { filter.setEnvHold(seconds); }

void Zarvex2::setAmp1Peak(double db) { setPeakSetting(ampEnv1, ampEnv1PeakDb, db); }
void Zarvex2::setAmp2Peak(double db) { setPeakSetting(ampEnv2, ampEnv2PeakDb, db); }

void Zarvex2::setAmpEnv1PeakByVel(double db) { ampEnv1PeakByVel.set(db, accent); }
void Zarvex2::setAmpEnv2PeakByVel(double db) { ampEnv2PeakByVel.set(db, accent); }

void Zarvex2::setDistMode(std::int64_t mode)
{
    // Off keeps the distortion's mode for when it is switched on again.
    if (mode == 0) {
        distortionOn = false;
    } else if (mode > 0) {
        distortionOn = true;
        distortion.setMode(mode);
    }
}

void Zarvex2::setDistMix(double percent)
{
    if (!std::isfinite(percent))
        return;
    distMix = percent;
    distortion.setDryWet(percent);
}

void Zarvex2::setDistDryWetByVel(double percent) { distMixByVel.set(percent, accent); }

void Zarvex2::clearFilterHistories()
{
    generator.clearHistories();
    antiAlias.reset();
    filter.reset();
    distortion.reset();
}

void Zarvex2::restartSound()
{
    generator.resetPhases();
    clearFilterHistories();
}
