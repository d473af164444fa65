#pragma once

#include "vst2/aeffectx.h"

class AEffEditor;

// Plug-in side base classes: AudioEffect owns the AEffect record the host
// sees and turns its C entry points into virtual calls; AudioEffectX adds the
// opcodes of interface version 2. A plug-in derives from AudioEffectX and
// overrides what it answers differently.
class AudioEffect {
public:
    AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
    virtual ~AudioEffect();

    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    AEffect* getAeffect() { return &cEffect; }

    virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

    virtual void open() { }
    virtual void close() { }
    virtual void suspend() { }
    virtual void resume() { }

    virtual void setProgram(int32_t program) { curProgram = program; }
    virtual int32_t getProgram() { return curProgram; }
    virtual void setProgramName(char* name) { }
    virtual void getProgramName(char* name) { *name = 0; }

    virtual void setParameter(int32_t index, float value) { }
    virtual float getParameter(int32_t index) { return 0.0f; }
    // Sets the parameter and tells the host, so that it records the change.
    virtual void setParameterAutomated(int32_t index, float value);
    // Tell the host that the user takes hold of, and lets go of, a parameter:
    // the automated changes in between are one gesture.
    virtual bool beginEdit(int32_t index);
    virtual bool endEdit(int32_t index);
    virtual void getParameterLabel(int32_t index, char* label) { *label = 0; }
    virtual void getParameterDisplay(int32_t index, char* text) { *text = 0; }
    virtual void getParameterName(int32_t index, char* text) { *text = 0; }

    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(int32_t size) { blockSize = size; }
    virtual int32_t getChunk(void** data, bool isPreset) { return 0; }
    virtual int32_t setChunk(void* data, int32_t byteSize, bool isPreset) { return 0; }
    virtual float getVu() { return 0.0f; }

    virtual void process(float** inputs, float** outputs, int32_t sampleFrames) { }
    virtual void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) { }

    // Registers the editor (owned and deleted by this object) and raises the editor flag.
    void setEditor(AEffEditor* newEditor);
    AEffEditor* getEditor() const { return editor; }

    float getSampleRate() const { return sampleRate; }
    int32_t getBlockSize() const { return blockSize; }
    int32_t getMasterVersion();

    // The SDK's number formatting: an 8-character field holding the sign,
    // the integer digits and as many fraction digits as fit, cut rather than rounded.
    static void float2string(float value, char* text);

protected:
    void setUniqueID(int32_t id) { cEffect.uniqueID = id; }
    void setNumInputs(int32_t count) { cEffect.numInputs = count; }
    void setNumOutputs(int32_t count) { cEffect.numOutputs = count; }
    void setFlag(int32_t flag, bool state);
    void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
    void isSynth(bool state = true) { setFlag(effFlagsIsSynth, state); }
    void hasVu(bool state = true) { setFlag(effFlagsHasVu, state); }
    void hasClip(bool state = true) { setFlag(effFlagsHasClip, state); }
    intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);

    float sampleRate = 44100.0f;
    AEffEditor* editor = nullptr;
    audioMasterCallback audioMaster;
    int32_t numPrograms;
    int32_t numParams;
    int32_t curProgram = 0;
    int32_t blockSize = 1024;
    AEffect cEffect {};
};

class AudioEffectX : public AudioEffect {
public:
    using AudioEffect::AudioEffect;

    intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override;

    virtual int32_t processEvents(VstEvents* events) { return 0; }
    virtual bool canParameterBeAutomated(int32_t index) { return true; }
    virtual bool string2parameter(int32_t index, char* text) { return false; }
    virtual int32_t getNumCategories() { return 1; }
    virtual bool getProgramNameIndexed(int32_t category, int32_t index, char* text) { return false; }
    virtual bool copyProgram(int32_t destination) { return false; }
    virtual bool getInputProperties(int32_t index, VstPinProperties* properties) { return false; }
    virtual bool getOutputProperties(int32_t index, VstPinProperties* properties) { return false; }
    virtual VstPlugCategory getPlugCategory();
    virtual bool setBypass(bool onOff) { return false; }
    virtual bool getEffectName(char* name) { return false; }
    virtual bool getVendorString(char* text) { return false; }
    virtual bool getProductString(char* text) { return false; }
    virtual int32_t getVendorVersion() { return 0; }
    virtual intptr_t vendorSpecific(int32_t lArg, intptr_t lArg2, void* ptrArg, float floatArg) { return 0; }
    virtual int32_t canDo(char* text) { return 0; }
    virtual int32_t getGetTailSize() { return 0; }
    virtual int32_t getVstVersion() { return 2300; }
    virtual bool beginSetProgram() { return false; }
    virtual bool endSetProgram() { return false; }
    virtual int32_t startProcess() { return 0; }
    virtual int32_t stopProcess() { return 0; }

    // Host services.
    bool wantEvents(int32_t filter = 1);
    bool updateDisplay();
};
