#pragma once

#include "vst2/aeffectx.h"

#include <cstdint>
#include <string>
#include <vector>

// What the renderer needs of an instrument it plays, whatever its plug-in
// format: rate and block size, parameters, a tail, and blocks of MIDI in and
// audio out.
class Instrument {
public:
    virtual ~Instrument() = default;

    virtual double sampleRate() const = 0;
    virtual int32_t blockSize() const = 0;
    // The index of a parameter given by the user; throws RenderError when
    // there is none.
    virtual int32_t findParameter(const std::string& key) const = 0;
    virtual void setParameter(int32_t index, float value) = 0;
    // Tail in samples as the instrument reports it; -1 when it does not say.
    virtual int64_t tailSize() const = 0;
    virtual void resume() = 0;
    virtual void suspend() = 0;
    // Hands over the block's MIDI events (at their deltaFrames), then renders
    // frames samples per output.
    virtual void process(const std::vector<VstMidiEvent>& events, int32_t frames,
        std::vector<std::vector<float>>& outputs) = 0;
};
