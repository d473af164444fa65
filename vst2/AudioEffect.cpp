#include "vst2/AudioEffect.h"

#include "vst2/AEffEditor.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

AudioEffect* objectOf(AEffect* effect) { return static_cast<AudioEffect*>(effect->object); }

intptr_t VSTCALLBACK dispatchEntry(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    AudioEffect* object = objectOf(effect);
    if (opcode == effClose) {
        object->dispatcher(opcode, index, value, ptr, opt);
        delete object;
        return 1;
    }
    return object->dispatcher(opcode, index, value, ptr, opt);
}

void VSTCALLBACK processEntry(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames)
{
    objectOf(effect)->process(inputs, outputs, sampleFrames);
}

void VSTCALLBACK processReplacingEntry(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames)
{
    objectOf(effect)->processReplacing(inputs, outputs, sampleFrames);
}

void VSTCALLBACK setParameterEntry(AEffect* effect, int32_t index, float value)
{
    objectOf(effect)->setParameter(index, value);
}

float VSTCALLBACK getParameterEntry(AEffect* effect, int32_t index) { return objectOf(effect)->getParameter(index); }

char* text(void* ptr) { return static_cast<char*>(ptr); }

} // namespace

AudioEffect::AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams)
    : audioMaster(audioMaster)
    , numPrograms(numPrograms)
    , numParams(numParams)
{
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEntry;
    cEffect.process = processEntry;
    cEffect.setParameter = setParameterEntry;
    cEffect.getParameter = getParameterEntry;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = vstFourCC('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingEntry;
}

AudioEffect::~AudioEffect() { delete editor; }

void AudioEffect::setEditor(AEffEditor* newEditor)
{
    editor = newEditor;
    setFlag(effFlagsHasEditor, editor != nullptr);
}

void AudioEffect::setFlag(int32_t flag, bool state)
{
    if (state)
        cEffect.flags |= flag;
    else
        cEffect.flags &= ~flag;
}

intptr_t AudioEffect::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

int32_t AudioEffect::getMasterVersion()
{
    return static_cast<int32_t>(callHost(audioMasterVersion));
}

void AudioEffect::setParameterAutomated(int32_t index, float value)
{
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

bool AudioEffect::beginEdit(int32_t index) { return callHost(audioMasterBeginEdit, index) != 0; }

bool AudioEffect::endEdit(int32_t index) { return callHost(audioMasterEndEdit, index) != 0; }

void AudioEffect::float2string(float value, char* out)
{
    const double v = value;
    if (std::isnan(v)) {
        std::strcpy(out, "NaN");
        return;
    }
    constexpr int width = 8;
    const bool negative = v < 0.0;
    const double magnitude = std::fabs(v);
    const double whole = std::floor(magnitude);
    char digits[32];
    const int intDigits = std::snprintf(digits, sizeof digits, "%.0f", whole);
    const int fractionDigits = width - (negative ? 1 : 0) - intDigits - 1;
    if (fractionDigits < 0 || std::isinf(v)) {
        std::strcpy(out, "Huge!");
        return;
    }
    // Cut, not rounded: the digits are the floor of the scaled fraction.
    const double fraction = std::floor((magnitude - whole) * std::pow(10.0, fractionDigits));
    char field[48];
    std::snprintf(field, sizeof field, "%s%s.%0*.0f", negative ? "-" : "", digits, fractionDigits, fraction);
    // With no room for fraction digits the field ends at the point.
    field[width] = 0;
    std::strcpy(out, field);
}

intptr_t AudioEffect::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    switch (opcode) {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        return 0;
    case effSetProgram:
        if (value >= 0 && value < numPrograms)
            setProgram(static_cast<int32_t>(value));
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        if (ptr)
            setProgramName(text(ptr));
        return 0;
    case effGetProgramName:
        if (ptr)
            getProgramName(text(ptr));
        return 0;
    case effGetParamLabel:
        if (ptr)
            getParameterLabel(index, text(ptr));
        return 0;
    case effGetParamDisplay:
        if (ptr)
            getParameterDisplay(index, text(ptr));
        return 0;
    case effGetParamName:
        if (ptr)
            getParameterName(index, text(ptr));
        return 0;
    case effGetVu:
        return static_cast<intptr_t>(getVu() * 32767.0f);
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<int32_t>(value));
        return 0;
    case effMainsChanged:
        if (value)
            resume();
        else
            suspend();
        return 0;
    case effEditGetRect:
        return editor && ptr ? editor->getRect(static_cast<ERect**>(ptr)) : 0;
    case effEditOpen:
        return editor ? editor->open(ptr) : 0;
    case effEditClose:
        if (editor)
            editor->close();
        return 0;
    case effEditIdle:
        if (editor)
            editor->idle();
        return 0;
    case effIdentify:
        return vstFourCC('N', 'v', 'E', 'f');
    case effGetChunk:
        return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk:
        return ptr ? setChunk(ptr, static_cast<int32_t>(value), index != 0) : 0;
    default:
        return 0;
    }
}

intptr_t AudioEffectX::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    switch (opcode) {
    case effProcessEvents:
        return ptr ? processEvents(static_cast<VstEvents*>(ptr)) : 0;
    case effCanBeAutomated:
        return canParameterBeAutomated(index);
    case effString2Parameter:
        return ptr ? string2parameter(index, text(ptr)) : 0;
    case effGetNumProgramCategories:
        return getNumCategories();
    case effGetProgramNameIndexed:
        return ptr ? getProgramNameIndexed(static_cast<int32_t>(value), index, text(ptr)) : 0;
    case effCopyProgram:
        return copyProgram(index);
    case effGetInputProperties:
        return ptr ? getInputProperties(index, static_cast<VstPinProperties*>(ptr)) : 0;
    case effGetOutputProperties:
        return ptr ? getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) : 0;
    case effGetPlugCategory:
        return getPlugCategory();
    case effSetBypass:
        return setBypass(value != 0);
    case effGetEffectName:
        return ptr ? getEffectName(text(ptr)) : 0;
    case effGetVendorString:
        return ptr ? getVendorString(text(ptr)) : 0;
    case effGetProductString:
        return ptr ? getProductString(text(ptr)) : 0;
    case effGetVendorVersion:
        return getVendorVersion();
    case effVendorSpecific:
        return vendorSpecific(index, value, ptr, opt);
    case effCanDo:
        return ptr ? canDo(text(ptr)) : 0;
    case effGetTailSize:
        return getGetTailSize();
    case effGetVstVersion:
        return getVstVersion();
    case effBeginSetProgram:
        return beginSetProgram();
    case effEndSetProgram:
        return endSetProgram();
    case effStartProcess:
        return startProcess();
    case effStopProcess:
        return stopProcess();
    default:
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

VstPlugCategory AudioEffectX::getPlugCategory()
{
    return (cEffect.flags & effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
}

bool AudioEffectX::wantEvents(int32_t filter)
{
    return callHost(audioMasterWantMidi, 0, filter) != 0;
}

bool AudioEffectX::updateDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }
