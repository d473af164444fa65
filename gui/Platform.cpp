#include "gui/Platform.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

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

int requestedScale()
{
    const char* value = std::getenv("ZARVEX_UI_SCALE");
    if (value && (std::strcmp(value, "1") == 0 || std::strcmp(value, "2") == 0))
        return value[0] - '0';
    return 0;
}
