#pragma once

#include "tools/render/MidiFile.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

class Instrument;

// A parameter change at a time in the render, by the plug-in's index.
struct TimedParameter {
    double seconds = 0.0;
    int32_t index = 0;
    float value = 0.0f;
};

enum class TailMode {
    plugin, // the plug-in's own tail size; until silent when it gives none
    silence, // until the output stays silent
    fixed, // a given length
};

struct RenderSettings {
    TailMode tailMode = TailMode::plugin;
    double tailSeconds = 0.0; // for TailMode::fixed
    double maxTailSeconds = 30.0; // caps every tail
};

// Runs a MIDI sequence through a plug-in block by block and hands the
// interleaved stereo result to a sink. MIDI messages reach the plug-in at
// their sample offsets inside each block; a block is split where a
// parameter changes, so changes land on their sample too.
class Renderer {
public:
    using Sink = std::function<void(const float* interleavedStereo, int64_t frames)>;
    using Progress = std::function<void(int64_t framesDone, int64_t framesExpected)>;

    // Output below this level counts as silence (-100 dBFS).
    static constexpr float silenceLevel = 1e-5f;
    // A tail that has been silent this long has ended.
    static constexpr double silenceHoldSeconds = 0.5;

    Renderer(Instrument& plugin, RenderSettings settings);

    // Stops the render with RenderError once the flag is set (an interrupt).
    void setStopFlag(const std::atomic<bool>* flag) { stop = flag; }

    // Returns the number of frames handed to the sink. Keys the sequence
    // leaves pressed are released where it ends.
    int64_t render(const MidiSequence& sequence, const std::vector<TimedParameter>& changes, const Sink& sink,
        const Progress& progress = {});

    // How many keys the last render released at the end of its music.
    int notesHeldAtEnd() const { return heldAtEnd; }

private:
    int64_t frameAt(double seconds) const;

    Instrument& plugin;
    RenderSettings settings;
    const std::atomic<bool>* stop = nullptr;
    int heldAtEnd = 0;
};
