#include "gui/Platform.h"

#include <atomic>

namespace {
std::atomic<void*> instanceHandle { nullptr };
}

void* moduleInstance()
{
    return instanceHandle.load();
}

void setModuleInstance(void* instance)
{
    instanceHandle.store(instance);
}
