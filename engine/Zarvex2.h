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

    // The settings that the sections and modules keep, passed on unchanged,
    // so that the plug-in reaches all of them here.
    // Generator section (see MonoGenerator for units and ranges).
    void setVibDepth(double depth) { generator.setVibDepth(depth); }
    void setVibSpeed(double hz) { generator.setVibSpeed(hz); }
    void prepareVibWave(std::int64_t waveform) { generator.prepareVibWave(waveform); }
    void setPWMDepth(double percent) { generator.setPWMDepth(percent); }
    void setPWMSpeed(double hz) { generator.setPWMSpeed(hz); }
    void preparePWMWave(std::int64_t waveform) { generator.preparePWMWave(waveform); }
    void prepareO1Wave(std::int64_t waveform) { generator.prepareO1Wave(waveform); }
    void prepareO2Wave(std::int64_t waveform) { generator.prepareO2Wave(waveform); }
    void prepareO3Wave(std::int64_t waveform) { generator.prepareO3Wave(waveform); }
    void setO1Phase(double degrees) { generator.setO1Phase(degrees); }
    void setO2Phase(double degrees) { generator.setO2Phase(degrees); }
    void setO3Phase(double degrees) { generator.setO3Phase(degrees); }
    void setO1PW(double percent) { generator.setO1PW(percent); }
    void setO2PW(double percent) { generator.setO2PW(percent); }
    void setO3PW(double percent) { generator.setO3PW(percent); }
    void setO2CoarseTune(double semitones) { generator.setO2CoarseTune(semitones); }
    void setO2FineTune(double cents) { generator.setO2FineTune(cents); }
    void setO3CoarseTune(double semitones) { generator.setO3CoarseTune(semitones); }
    void setO3FineTune(double cents) { generator.setO3FineTune(cents); }
    void setO1Density(std::int64_t voices) { generator.setO1Density(voices); }
    void setO1DetSpacing(bool linear) { generator.setO1DetSpacing(linear); }
    void setO1DetRnd(double percent) { generator.setO1DetRnd(percent); }
    void setModulation(int mode) { generator.setModulation(mode); }
    void setSyncToOsc1(int mode) { generator.setSyncToOsc1(mode); }
    void setRampStart(int ramp, double value) { generator.setRampStart(ramp, value); }
    void setRampEnd(int ramp, double value) { generator.setRampEnd(ramp, value); }
    void setRampStartByVel(int ramp, double amount) { generator.setRampStartByVel(ramp, amount); }
    void setRampTime(int ramp, double ms) { generator.setRampTime(ramp, ms); }
    void setOscLowpass(int osc, double hz) { generator.setOscLowpass(osc, hz); }
    void setOscHighpass(int osc, double hz) { generator.setOscHighpass(osc, hz); }
    void setOscAllpass(int osc, double hz) { generator.setOscAllpass(osc, hz); }

    // Filter section (see MonoFilter).
    void setFilterDryWet(double value) { filter.setDryWet(value); }
    void setCutoff(double hz) { filter.setCutoff(hz); }
    void setResoByCutoff(double dBPerOctave) { filter.setResoByCutoff(dBPerOctave); }
    void setFilterGain(double db) { filter.setGain(db); }
    void setFilterDC(double offset) { filter.setDcOffset(offset); }
    void setKeyTrack(double octavesPerOctave) { filter.setKeyTrack(octavesPerOctave); }
    void setRefKey(double key) { filter.setRefKey(key); }
    void setOversampling(double factor) { filter.setOversampling(factor); }
    void setFiltStart(double semitones) { filter.setEnvStart(semitones); }
    void setFiltAttack(double seconds) { filter.setEnvAttack(seconds); }
    void setFiltPeak(double semitones) { filter.setEnvPeak(semitones); }
    void setFiltEnvPeakByVel(double semitones) { filter.setEnvPeakByVel(semitones); }
    void setFiltDecay(double seconds) { filter.setEnvDecay(seconds); }
    void setFiltRelease(double seconds) { filter.setEnvRelease(seconds); }
    void setFiltEndFreq(double semitones) { filter.setEnvEnd(semitones); }
    void setFiltEnvDurByVel(double exponent) { filter.setEnvDurByVel(exponent); }

    // Amplitude envelope 1 or 2: levels in dB, times in seconds.
    void setAmpStart(int envelope, double db) { ampEnv(envelope).setStart(db); }
    void setAmpAttack(int envelope, double seconds) { ampEnv(envelope).setAttack(seconds); }
    void setAmpHold(int envelope, double seconds) { ampEnv(envelope).setHold(seconds); }
    void setAmpDecay(int envelope, double seconds) { ampEnv(envelope).setDecay(seconds); }
    void setAmpSustain(int envelope, double db) { ampEnv(envelope).setSustain(db); }
    void setAmpRelease(int envelope, double seconds) { ampEnv(envelope).setRelease(seconds); }

    // Distortion (see Distortion): levels in dB.
    void setDistDrive(double db) { distortion.setDrive(db); }
    void setDCOffset(double offset) { distortion.setDcOffset(offset); }
    void setLowThresh(double db) { distortion.setLowerThreshold(db); }
    void setHighThresh(double db) { distortion.setUpperThreshold(db); }
    void setLowSat(double db) { distortion.setLowerSaturation(db); }
    void setHighSat(double db) { distortion.setUpperSaturation(db); }
    void setLowClamp(double db) { distortion.setLowerClampLevel(db); }
    void setHighClamp(double db) { distortion.setUpperClampLevel(db); }
    void setRectify(double amount) { distortion.setRectification(amount); }

    MonoGenerator generator;
    AntiAliasFilter antiAlias;
    MonoFilter filter;
    AmpEnvRc ampEnv1;
    AmpEnvRc ampEnv2;
    Distortion distortion;

private:
    void updateOutputGain();
    AmpEnvRc& ampEnv(int envelope) { return envelope == 1 ? ampEnv1 : ampEnv2; }

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
