#include "tools/render/Renderer.h"

#include "tools/render/Instrument.h"
#include "tools/render/RenderError.h"
#include "vst2/VstHost.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

struct TimedEvent {
    int64_t frame;
    VstMidiEvent event;
};

struct TimedChange {
    int64_t frame;
    int32_t index;
    float value;
};

// Holds back output that follows the music while it is silent, so a tail
// that ends in silence is cut where the sound stopped.
class TrailingSilence {
public:
    TrailingSilence(const Renderer::Sink& sink, bool trimming)
        : sink(sink)
        , trimming(trimming)
    {
    }

    // frames samples starting at frame; everything before keepUntil is
    // music and is always kept.
    void add(const std::vector<float>& block, int64_t frame, int64_t frames, int64_t keepUntil)
    {
        int64_t keep = trimming ? std::clamp<int64_t>(keepUntil - frame, 0, frames) : frames;
        for (int64_t i = frames - 1; i >= keep; --i)
            if (std::fabs(block[static_cast<size_t>(2 * i)]) >= Renderer::silenceLevel
                || std::fabs(block[static_cast<size_t>(2 * i + 1)]) >= Renderer::silenceLevel) {
                keep = i + 1;
                break;
            }
        if (keep > 0) {
            flushHeld();
            sink(block.data(), keep);
            written += keep;
        }
        held.insert(held.end(), block.begin() + 2 * keep, block.begin() + 2 * frames);
    }

    int64_t heldFrames() const { return static_cast<int64_t>(held.size() / 2); }
    int64_t framesWritten() const { return written; }

private:
    void flushHeld()
    {
        if (held.empty())
            return;
        sink(held.data(), heldFrames());
        written += heldFrames();
        held.clear();
    }

    const Renderer::Sink& sink;
    bool trimming;
    std::vector<float> held;
    int64_t written = 0;
};

// The keys (and sustain pedals) a sequence leaves pressed, by channel.
class HeldKeys {
public:
    void play(uint8_t status, uint8_t key, uint8_t value)
    {
        const int channel = status & 0x0f;
        const int kind = status & 0xf0;
        if (kind == 0x90 || kind == 0x80)
            held[channel][key & 0x7f] = kind == 0x90 && value > 0;
        else if (kind == 0xb0 && key == sustainPedal)
            sustained[channel] = value >= pedalDown;
        else if (kind == 0xb0 && (key == allSoundOff || key >= allNotesOff))
            held[channel] = {};
    }

    int keysDown() const
    {
        int count = 0;
        for (const auto& keys : held)
            count += static_cast<int>(std::count(keys.begin(), keys.end(), true));
        return count;
    }

    // Note-offs for every key still down, then pedals up.
    std::vector<VstMidiEvent> releases() const
    {
        std::vector<VstMidiEvent> offs;
        for (int channel = 0; channel < channels; ++channel) {
            for (int key = 0; key < keys; ++key)
                if (held[channel][key])
                    offs.push_back(makeMidiEvent(0, static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(key), 0));
            if (sustained[channel])
                offs.push_back(makeMidiEvent(0, static_cast<uint8_t>(0xb0 | channel), sustainPedal, 0));
        }
        return offs;
    }

private:
    static constexpr int channels = 16, keys = 128;
    static constexpr uint8_t sustainPedal = 64, pedalDown = 64;
    // Controller 120 silences a channel; 123 and the mode messages above it
    // end its notes.
    static constexpr uint8_t allSoundOff = 120, allNotesOff = 123;
    std::array<std::array<bool, keys>, channels> held {};
    std::array<bool, channels> sustained {};
};

// Suspends the plug-in however the render ends.
class RunningPlugin {
public:
    explicit RunningPlugin(Instrument& plugin)
        : plugin(plugin)
    {
        plugin.resume();
    }
    ~RunningPlugin() { plugin.suspend(); }
    RunningPlugin(const RunningPlugin&) = delete;
    RunningPlugin& operator=(const RunningPlugin&) = delete;

private:
    Instrument& plugin;
};

} // namespace

Renderer::Renderer(Instrument& plugin, RenderSettings settings)
    : plugin(plugin)
    , settings(settings)
{
}

int64_t Renderer::frameAt(double seconds) const
{
    return std::max<int64_t>(0, std::llround(seconds * plugin.sampleRate()));
}

int64_t Renderer::render(const MidiSequence& sequence, const std::vector<TimedParameter>& parameterChanges,
    const Sink& sink, const Progress& progress)
{
    std::vector<TimedEvent> events;
    for (const auto& message : sequence.messages)
        events.push_back({ frameAt(message.seconds),
            makeMidiEvent(0, message.bytes[0], message.size > 1 ? message.bytes[1] : 0,
                message.size > 2 ? message.bytes[2] : 0) });
    std::vector<TimedChange> changes;
    for (const auto& change : parameterChanges)
        changes.push_back({ frameAt(change.seconds), change.index, change.value });
    // Stable, so messages at one time keep the order of the file.
    std::stable_sort(events.begin(), events.end(), [](const auto& a, const auto& b) { return a.frame < b.frame; });
    std::stable_sort(changes.begin(), changes.end(), [](const auto& a, const auto& b) { return a.frame < b.frame; });

    // Events at the very end still reach the plug-in when a tail follows.
    int64_t musicEnd = frameAt(sequence.lengthSeconds);
    if (!events.empty())
        musicEnd = std::max(musicEnd, events.back().frame);
    // Notes the music leaves sounding are released where it ends, so the
    // tail is their release rather than a cut.
    HeldKeys keys;
    for (const auto& [frame, event] : events)
        keys.play(static_cast<uint8_t>(event.midiData[0]), static_cast<uint8_t>(event.midiData[1]),
            static_cast<uint8_t>(event.midiData[2]));
    heldAtEnd = keys.keysDown();
    for (const auto& release : keys.releases())
        events.push_back({ musicEnd, release });

    const int64_t cap = frameAt(settings.maxTailSeconds);
    const int64_t pluginTail = plugin.tailSize();
    const bool untilSilent
        = settings.tailMode == TailMode::silence || (settings.tailMode == TailMode::plugin && pluginTail < 0);
    int64_t tail = cap;
    if (settings.tailMode == TailMode::fixed)
        tail = std::min(cap, frameAt(settings.tailSeconds));
    else if (!untilSilent)
        tail = std::min(cap, pluginTail);
    const int64_t end = musicEnd + tail;
    const int64_t hold = frameAt(silenceHoldSeconds);

    RunningPlugin running(plugin);
    TrailingSilence output(sink, untilSilent);
    std::vector<VstMidiEvent> blockEvents;
    std::vector<std::vector<float>> channels;
    std::vector<float> interleaved;
    size_t nextEvent = 0, nextChange = 0;
    int64_t position = 0;
    while (position < end && !(untilSilent && position >= musicEnd && output.heldFrames() >= hold)) {
        if (stop && stop->load())
            throw RenderError("interrupted");
        while (nextChange < changes.size() && changes[nextChange].frame <= position) {
            plugin.setParameter(changes[nextChange].index, changes[nextChange].value);
            ++nextChange;
        }
        int64_t frames = std::min<int64_t>(plugin.blockSize(), end - position);
        if (nextChange < changes.size())
            frames = std::min(frames, changes[nextChange].frame - position);
        blockEvents.clear();
        for (; nextEvent < events.size() && events[nextEvent].frame < position + frames; ++nextEvent) {
            blockEvents.push_back(events[nextEvent].event);
            blockEvents.back().deltaFrames = static_cast<int32_t>(events[nextEvent].frame - position);
        }
        plugin.process(blockEvents, static_cast<int32_t>(frames), channels);
        const auto& left = channels[0];
        const auto& right = channels.size() > 1 ? channels[1] : channels[0];
        interleaved.resize(static_cast<size_t>(2 * frames));
        for (size_t i = 0; i < static_cast<size_t>(frames); ++i) {
            interleaved[2 * i] = left[i];
            interleaved[2 * i + 1] = right[i];
        }
        output.add(interleaved, position, frames, musicEnd);
        position += frames;
        if (progress)
            progress(position, end);
    }
    return output.framesWritten();
}
