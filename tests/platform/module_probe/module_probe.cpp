// A library that records the attach and detach calls its DllMain receives.
#include "platform/win_module.h"

#include <string>

namespace {

// Set by static initialisation; DllMain must see it already made.
std::string initialisedFirst = "initialised";
HINSTANCE attachedInstance = nullptr;
std::string attachOrder;
int attachCalls = 0;
wchar_t attachedPath[MAX_PATH] = {};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        ++attachCalls;
        attachedInstance = instance;
        attachOrder = initialisedFirst;
        GetModuleFileNameW(instance, attachedPath, MAX_PATH);
    }
    return TRUE;
}

extern "C" __attribute__((visibility("default"))) HINSTANCE probeAttachedInstance() { return attachedInstance; }
extern "C" __attribute__((visibility("default"))) const wchar_t* probeAttachedPath() { return attachedPath; }
extern "C" __attribute__((visibility("default"))) int probeAttachCalls() { return attachCalls; }
extern "C" __attribute__((visibility("default"))) const char* probeAttachOrder() { return attachOrder.c_str(); }
