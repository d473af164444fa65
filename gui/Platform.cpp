#include "gui/Platform.h"

#include <atomic>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {
std::atomic<void*> instanceHandle { nullptr };
}

void* moduleInstance()
{
    void* instance = instanceHandle.load();
#if defined(_WIN32)
    // Linked into a program rather than a library, the toolkit's resources
    // are the program's own.
    if (!instance)
        instance = GetModuleHandleW(nullptr);
#endif
    return instance;
}

void setModuleInstance(void* instance)
{
    instanceHandle.store(instance);
}
