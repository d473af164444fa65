// A hostile host (libFuzzer): each input becomes a sequence of calls through
// the binary interface on a fresh instance. After each call every output sample
// must be finite and within the output limit, every text terminated within its
// buffer; the sanitizers the target is built with report everything else.

#include "plugin/Zarvex2Plug.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

namespace {

// No sound comes near this level; beyond it a voice has run off.
constexpr float kOutputLimit = 64.0f;
// Hosts hand over text buffers of at least this size.
constexpr size_t kTextBuffer = 256;
constexpr int32_t kMaxBlock = 8192;
// Keeps one input to a bounded amount of rendering.
constexpr int64_t kMaxFramesPerInput = 1 << 16;

// Stops the run, for the fuzzer to keep the input, where the plug-in misbehaves.
void require(bool ok, const char* what, long detail = 0)
{
    if (ok)
        return;
    std::fprintf(stderr, "fuzz_host_calls: %s (%ld)\n", what, detail);
    std::abort();
}

intptr_t VSTCALLBACK hostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

// Reads the input front to back; past its end every value is zero.
struct Input {
    std::span<const uint8_t> bytes;
    size_t position = 0;

    bool done() const { return position >= bytes.size(); }
    uint8_t byte() { return position < bytes.size() ? bytes[position++] : 0; }
    int32_t int32()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<uint32_t>(byte()) << (8 * i);
        return static_cast<int32_t>(v);
    }
    float anyFloat() { return std::bit_cast<float>(int32()); }
    // Mostly the values a host sends, sometimes any bit pattern at all.
    float value() { return byte() < 224 ? static_cast<float>(byte()) / 255.0f : anyFloat(); }
    // Mostly one of range values from first on, sometimes any number at all.
    int32_t index(int32_t range, int32_t first = 0)
    {
        if (byte() >= 248)
            return int32();
        const int32_t low = byte();
        return first + (low | byte() << 8) % range;
    }

    // A text of any length and any bytes, terminated.
    std::vector<char> text(size_t length)
    {
        std::vector<char> chars(length + 1, '\0');
        std::generate_n(chars.begin(), length, [this] { return static_cast<char>(byte()); });
        return chars;
    }
};

class Session {
public:
    explicit Session(Input& in) : in(in), effect(Zarvex2Plug::create(hostCallback))
    {
        require(effect != nullptr, "no plug-in");
        dispatch(effOpen);
        dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        dispatch(effSetBlockSize, 0, 512);
        dispatch(effMainsChanged, 0, 1);
    }
    ~Session() { dispatch(effClose); }

    // The weights of the calls: parameter changes, event lists and blocks twice as often.
    void step()
    {
        static constexpr void (Session::*calls[])() = { &Session::setSampleRate, &Session::setBlockSize,
            &Session::switchMains, &Session::setParameter, &Session::setParameter, &Session::getParameter,
            &Session::programCall, &Session::textCall, &Session::sendEvents, &Session::sendEvents,
            &Session::process, &Session::process, &Session::otherCall };
        (this->*calls[in.byte() % std::size(calls)])();
    }

private:
    // Mostly a parameter's, sometimes a few beyond either end, sometimes any number.
    int32_t parameterIndex() { return in.index(kNumParameters + 8, -4); }

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }

    void setSampleRate()
    {
        static constexpr float rates[] = { 44100.0f, 48000.0f, 96000.0f, 8000.0f, 22050.0f, 192000.0f, 11025.0f };
        const uint8_t pick = in.byte();
        dispatch(effSetSampleRate, 0, 0, nullptr, pick < 200 ? rates[pick % 7] : in.anyFloat());
    }

    void setBlockSize() { dispatch(effSetBlockSize, 0, in.index(kMaxBlock)); }
    void switchMains() { dispatch(effMainsChanged, 0, in.byte() & 1); }
    void setParameter() { effect->setParameter(effect, parameterIndex(), in.value()); }
    void getParameter()
    {
        require(std::isfinite(effect->getParameter(effect, parameterIndex())), "value not finite");
    }

    void programCall()
    {
        const int32_t program = in.index(40, -4);
        const int call = in.byte() % 4;
        if (call == 0)
            dispatch(effSetProgram, 0, program);
        else if (call == 1)
            dispatch(effCopyProgram, program);
        else if (call == 2)
            dispatch(effSetProgramName, 0, 0, in.text(in.byte()).data());
        else
            dispatch(effGetProgram);
    }

    void textCall()
    {
        static constexpr int32_t opcodes[] = { effGetParamName, effGetParamLabel, effGetParamDisplay,
            effGetProgramName, effGetProgramNameIndexed, effGetEffectName, effGetVendorString,
            effGetProductString };
        const int32_t opcode = opcodes[in.byte() % 8];
        const int32_t index = parameterIndex();
        // Filled with garbage, as a host's buffer may be: a call that writes
        // nothing leaves no terminator.
        std::vector<char> text(kTextBuffer, 'x');
        dispatch(opcode, index, opcode == effGetProgramNameIndexed ? in.byte() % 3 - 1 : 0, text.data());
        require(std::memchr(text.data(), '\0', text.size()), "text without terminator, opcode", opcode);
    }

    // The rest of what a host asks: capabilities by name, pins, and the
    // opcodes without a pointer, each with any index and value.
    void otherCall()
    {
        static constexpr int32_t plain[] = { effGetVu, effIdentify, effCanBeAutomated, effGetNumProgramCategories,
            effGetPlugCategory, effSetBypass, effGetVendorVersion, effGetTailSize, effIdle, effGetVstVersion,
            effBeginSetProgram, effEndSetProgram, effStartProcess, effStopProcess, effGetProgram };
        const uint8_t pick = in.byte();
        const int32_t index = parameterIndex();
        if (pick < 32) {
            dispatch(pick & 1 ? effCanDo : effString2Parameter, index, 0, in.text(in.byte() % 32).data());
        } else if (pick < 64) {
            VstPinProperties pin;
            std::memset(&pin, 'x', sizeof pin);
            require(!dispatch(pick & 1 ? effGetOutputProperties : effGetInputProperties, index, 0, &pin)
                    || std::memchr(pin.label, '\0', sizeof pin.label) != nullptr,
                "pin label without terminator, index", index);
        } else {
            dispatch(plain[pick % 15], index, in.int32());
        }
    }

    void sendEvents()
    {
        const size_t count = in.byte() < 240 ? in.byte() % 16 : in.byte() * 4u;
        events.assign(count, VstMidiEvent {});
        for (auto& event : events) {
            event.type = in.byte() < 240 ? kVstMidiType : in.int32();
            event.byteSize = sizeof(VstMidiEvent);
            const uint8_t offset = in.byte();
            event.deltaFrames = offset < 240 ? offset * 4 : in.int32();
            static constexpr uint8_t statuses[] = { 0x90, 0x80, 0xB0, 0xE0 };
            const uint8_t status = in.byte();
            event.midiData[0] = static_cast<char>(status < 200 ? statuses[status % 4] | (status >> 4 & 15) : status);
            event.midiData[1] = static_cast<char>(in.byte());
            event.midiData[2] = static_cast<char>(in.byte());
            event.detune = static_cast<char>(in.byte() < 240 ? 0 : in.byte());
        }
        // The header and one pointer per entry, as a host lays the list out.
        list.assign(2 + count + 1, 0);
        auto* header = reinterpret_cast<VstEvents*>(list.data());
        header->numEvents = static_cast<int32_t>(count);
        for (size_t i = 0; i < count; ++i)
            setVstEventAt(header, static_cast<int32_t>(i), reinterpret_cast<VstEvent*>(&events[i]));
        dispatch(effProcessEvents, 0, 0, header);
    }

    void process()
    {
        const uint8_t pick = in.byte();
        int32_t frames = pick < 250 ? in.byte() * 16 + pick % 16 : in.index(kMaxBlock + 16, -16);
        if (framesRendered + frames > kMaxFramesPerInput)
            frames = 1;
        framesRendered += std::max(frames, 0);
        const size_t length = frames > 0 ? static_cast<size_t>(frames) : 1;
        left.assign(length, 7.0f);
        right.assign(length, 7.0f);
        float* outputs[2] = { left.data(), right.data() };
        (pick & 16 ? effect->process : effect->processReplacing)(effect, nullptr, outputs, frames);
        for (int32_t i = 0; i < frames; ++i) {
            const float l = left[static_cast<size_t>(i)];
            require(std::fabs(l) <= kOutputLimit, "output beyond the limit at sample", i);
            require(l == right[static_cast<size_t>(i)], "channels differ at sample", i);
        }
    }

    Input& in;
    AEffect* effect;
    int64_t framesRendered = 0;
    std::vector<VstMidiEvent> events;
    std::vector<intptr_t> list;
    std::vector<float> left, right;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in { { data, size } };
    Session session(in);
    while (!in.done())
        session.step();
    return 0;
}
