#pragma once

#include <cstdint>

#include "dsp/AntiAliasFilter.h"
#include "dsp/Distortion.h"
#include "dsp/Envelopes.h"
#include "engine/MonoFilter.h"
#include "engine/MonoGenerator.h"
#include "engine/VelocityAmount.h"

// The sound engine: one monophonic voice. The generator runs at twice the host
// rate and is decimated 2:1; the filter section, the first amplitude envelope,
// the distortion and the second amplitude envelope follow at the host rate.
// Everything runs on one thread; nothing is allocated after construction.
class Zarvex2 {
public:
    Zarvex2();
    virtual ~Zarvex2() = default;

    // Host rates the engine is designed for; others are refused.
    static constexpr double minHostRate = 8000.0;
    static constexpr double maxHostRate = 384000.0;
    static bool supportsRate(double hostRate) { return hostRate >= minHostRate && hostRate <= maxHostRate; }

    // Refuses rates it does not support; at a new rate the sound restarts.
    void setSampleRate(double hostRate);
    // One host-rate sample; exactly 0.0 while idle, without advancing anything.
    double getSample();

    void noteOn(int note, int velocity, int detune);
    void noteOff();
    void setPitchBend(double semitones);
    int getCurrentNote() const { return currentNote; }
    // Forgets every filter's history, so that a voice whose state ran off to
    // infinity or NaN sounds again from the next note.
    void clearFilterHistories();
    // After a rate change or a pause the sound starts afresh where it stands:
    // oscillators from their start phases, every filter's history cleared.
    // The note and its envelopes go on.
    void restartSound();

    // Voice controls.
    void setAccent(double a);           // 0..1, scales every by-velocity amount
    void setSlideTime(double seconds);  // negative values are ignored
    void setEnvSlope(double s);         // time scale of every ramp and envelope

    // Master gain.
    void setVolume(double db);
    void setVolByVel(double db);

    // Filter section.
    void setFilterMode(int mode);
    void setStages(int stages);
    void setFilterDryWetByVel(double percent);
    void setFilterFreqByVel(double semitones);
    void setFilterFMByInput(double percent);
    void setFilterFMByOutput(double percent);
    void setReso(double resonance);
    void setResonanceByVelocity(double db);
    void setResoModByInput(double percent);
    void setResoModByOutput(double percent);
    void setFilterDrive(double db);
    void setFiltHold(double seconds);

    // Amplifier chain. The other envelope and distortion settings go to the
    // modules themselves.
    void setAmp1Peak(double db);
    void setAmp2Peak(double db);
    void setAmpEnv1PeakByVel(double db);
    void setAmpEnv2PeakByVel(double db);
    void setDistMode(std::int64_t mode);
    void setDistMix(double percent);
    void setDistDryWetByVel(double percent);

    MonoGenerator generator;
    AntiAliasFilter antiAlias;
    MonoFilter filter;
    AmpEnvRc ampEnv1;
    AmpEnvRc ampEnv2;
    Distortion distortion;

private:
    void updateOutputGain();

    bool filterOn = true;
    bool distortionOn = true;
    int currentNote = -1;
    int currentVelocity = 0;
    int currentDetune = 0;
    double volumeDb = 0.0;
    double accent = 1.0;
    double outputGain = 1.0;
    double ampEnv1PeakDb = 0.0;
    double ampEnv2PeakDb = 0.0;
    double distMix = 100.0;
    VelocityAmount ampEnv1PeakByVel;
    VelocityAmount ampEnv2PeakByVel;
    VelocityAmount distMixByVel;
    VelocityAmount volumeByVel;
};
