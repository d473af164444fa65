#include "editor/ZarvexPlugEditor.h"
#include "gui/Platform.h"
#include "plugin/Zarvex2Plug.h"

#if defined(_WIN32)
#include <windows.h>
#endif

#if defined(_WIN32)
#define ZARVEX_EXPORT extern "C" __declspec(dllexport)
#else
#define ZARVEX_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

AEffect* createPlugin(audioMasterCallback host) { return Zarvex2Plug::create(host, &ZarvexPlugEditor::create); }

} // namespace

// A C++ function cannot be called main, so the entry gets its name through an
// assembler label. Linux hosts look for VSTPluginMain first; both are the same.
ZARVEX_EXPORT AEffect* zarvexMain(audioMasterCallback host) __asm__("main");

AEffect* zarvexMain(audioMasterCallback host) { return createPlugin(host); }

#if !defined(_WIN32)
ZARVEX_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) { return createPlugin(host); }
#endif

#if defined(_WIN32)
// The editor loads its bitmaps through the module's own instance handle.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        setModuleInstance(instance);
    return TRUE;
}
#endif
