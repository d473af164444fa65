#pragma once

#include "engine/Zarvex2.h"
#include "plugin/ParameterQueue.h"
#include "plugin/Parameters.h"
#include "plugin/Programs.h"
#include "vst2/AudioEffect.h"

#include <array>
#include <atomic>
#include <memory>
#include <vector>

// The plug-in object the host sees. Parameter changes may come from any
// thread: they are stored at once (value, program slot, display quantity) and
// queued; the engine receives them on the audio thread, between samples, so the
// engine itself is only ever touched by one thread.
class Zarvex2Plug : public AudioEffectX {
public:
    // Makes the editor for a plug-in object (nullptr when it cannot be
    // allocated). The entry hands one over, so that this library needs no
    // widget toolkit; without one the plug-in has no editor.
    using EditorFactory = AEffEditor* (*)(AudioEffect* effect);

    explicit Zarvex2Plug(audioMasterCallback audioMaster, EditorFactory createEditor = nullptr);
    ~Zarvex2Plug() override;

    // What the entry answers a host: a complete plug-in's record, or null for
    // a host that gives no version or when memory runs out.
    static AEffect* create(audioMasterCallback host, EditorFactory createEditor = nullptr);

    // False when a part of the plug-in (programs, the editor it was given a
    // factory for) could not be allocated; the entry then deletes the object
    // and reports failure to the host.
    bool isComplete() const { return programs != nullptr && (editor != nullptr || !editorWanted); }

    bool getEffectName(char* name) override;
    bool getProductString(char* text) override;
    bool getVendorString(char* text) override;
    int32_t getVendorVersion() override { return 1; }
    int32_t getNumCategories() override { return 1; }
    int32_t canDo(char* text) override;
    bool getOutputProperties(int32_t index, VstPinProperties* properties) override;
    int32_t getGetTailSize() override;
    void setSampleRate(float rate) override;
    void resume() override;

    int32_t processEvents(VstEvents* events) override;
    void process(float** inputs, float** outputs, int32_t sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;

    void setParameter(int32_t index, float value) override;
    float getParameter(int32_t index) override;
    void getParameterName(int32_t index, char* text) override;
    void getParameterLabel(int32_t index, char* label) override;
    void getParameterDisplay(int32_t index, char* text) override;

    void setProgram(int32_t program) override;
    int32_t getProgram() override { return currentProgram.load(std::memory_order_relaxed); }
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;
    bool copyProgram(int32_t destination) override;
    // Names any program, not only the current one (hosts that keep the
    // names themselves, such as LV2 hosts through the plug-in's state).
    bool setProgramNameIndexed(int32_t index, const char* name);

private:
    void render(float** outputs, int32_t frames);
    void dispatch(const VstEvent& event);
    void handleMidiEvent(const VstMidiEvent& event);
    void applyQueuedParameters();

    Zarvex2 engine;
    std::unique_ptr<ProgramBank> programs;
    bool editorWanted;

    std::array<std::atomic<float>, kNumParameters> values {};
    std::array<std::atomic<double>, kNumParameters> quantities {};
    std::atomic<int32_t> currentProgram { 0 };
    ParameterQueue pendingChanges;
    // Set when the queue overflowed: every stored value is applied again.
    std::atomic<bool> resyncNeeded { false };

    // This block's events, owned: reused from block to block, grown only
    // when a longer list arrives.
    std::vector<VstEvent> eventBuffer;
    int32_t eventCount = 0;
    int32_t lastNote = 0;
};
