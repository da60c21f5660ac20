// A library that records the attach call its DllMain receives.
#include "platform/module/win_module.h"

#include <string>

namespace {

std::string initialisedFirst = "initialised";  // made by static initialisation, before DllMain
struct Attach {
    int calls = 0;
    HINSTANCE instance = nullptr;
    std::string order;
    wchar_t path[MAX_PATH] = {};
} attach;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        attach.calls += 1;
        attach.instance = instance;
        attach.order = initialisedFirst;
        GetModuleFileNameW(instance, attach.path, MAX_PATH);
    }
    return TRUE;
}

extern "C" __attribute__((visibility("default"))) int probeAttachCalls() { return attach.calls; }
extern "C" __attribute__((visibility("default"))) HINSTANCE probeAttachedInstance() { return attach.instance; }
extern "C" __attribute__((visibility("default"))) const char* probeAttachOrder() { return attach.order.c_str(); }
extern "C" __attribute__((visibility("default"))) const wchar_t* probeAttachedPath() { return attach.path; }
