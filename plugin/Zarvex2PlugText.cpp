#include "plugin/Zarvex2Plug.h"

#include <cstring>

void Zarvex2Plug::getParameterName(int32_t index, char* text) { }

void Zarvex2Plug::getParameterLabel(int32_t index, char* label) { }

void Zarvex2Plug::getParameterDisplay(int32_t index, char* text)
{
    *text = 0;
    if (isStoredParameter(index))
        float2string(static_cast<float>(quantities[static_cast<size_t>(index)].load(std::memory_order_relaxed)), text);
}

void Zarvex2Plug::setProgram(int32_t program) { currentProgram.store(program, std::memory_order_relaxed); }

void Zarvex2Plug::setProgramName(char* name) { }

void Zarvex2Plug::getProgramName(char* name) { std::strcpy(name, "Init"); }

bool Zarvex2Plug::getProgramNameIndexed(int32_t category, int32_t index, char* text) { return false; }

bool Zarvex2Plug::copyProgram(int32_t destination) { return false; }
