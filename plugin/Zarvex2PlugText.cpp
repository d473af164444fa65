#include "plugin/Zarvex2Plug.h"

#include "plugin/ParameterText.h"

#include <cstring>

void Zarvex2Plug::getParameterName(int32_t index, char* text)
{
    const ParameterInfo* info = parameterInfo(index);
    std::strcpy(text, info && info->shortName ? info->shortName : "");
}

void Zarvex2Plug::getParameterLabel(int32_t index, char* label)
{
    const ParameterInfo* info = parameterInfo(index);
    std::strcpy(label, info && info->label ? info->label : "");
}

void Zarvex2Plug::getParameterDisplay(int32_t index, char* text)
{
    *text = 0;
    if (isStoredParameter(index))
        formatParameterValue(index, quantities[static_cast<size_t>(index)].load(std::memory_order_relaxed), text);
}

void Zarvex2Plug::setProgram(int32_t program)
{
    if (!ProgramBank::isProgram(program))
        return;
    currentProgram.store(program, std::memory_order_relaxed);
    // Recall is nothing but the stored values passed through setParameter,
    // which writes each back into the slot it came from.
    for (const ProgramBank::RecallStep& step : ProgramBank::recallOrder())
        setParameter(step.index, programs->slotValue(program, step.slot));
}

void Zarvex2Plug::setProgramName(char* name)
{
    programs->setName(currentProgram.load(std::memory_order_relaxed), name);
}

void Zarvex2Plug::getProgramName(char* name)
{
    programs->getName(currentProgram.load(std::memory_order_relaxed), name);
}

bool Zarvex2Plug::getProgramNameIndexed(int32_t category, int32_t index, char* text)
{
    if (!ProgramBank::isProgram(index)) {
        *text = 0;
        return false;
    }
    programs->getName(index, text);
    return true;
}

bool Zarvex2Plug::setProgramNameIndexed(int32_t index, const char* name)
{
    if (!ProgramBank::isProgram(index))
        return false;
    programs->setName(index, name);
    return true;
}

bool Zarvex2Plug::copyProgram(int32_t destination)
{
    if (!ProgramBank::isProgram(destination))
        return false;
    programs->copy(currentProgram.load(std::memory_order_relaxed), destination);
    return true;
}
