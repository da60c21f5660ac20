// The start-up code linked into a shared library: calls the library's DllMain with its module
// handle when the library is loaded and when it is unloaded. It must come last on the library's
// link line (veltrin_link_dll_startup) so that the library's static initialisers have run before
// DllMain: constructors run in link order.
#include "platform/module/module_handle.h"
#include "platform/module/win_module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) __attribute__((weak));

namespace {

HINSTANCE thisModule() {
    static char marker;
    return platform::detail::moduleOfAddress(&marker);
}

__attribute__((constructor)) void attachModule() {
    if (DllMain) DllMain(thisModule(), DLL_PROCESS_ATTACH, nullptr);
}

__attribute__((destructor)) void detachModule() {
    if (DllMain) DllMain(thisModule(), DLL_PROCESS_DETACH, nullptr);
}

}  // namespace
