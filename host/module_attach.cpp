#include "host/module_attach.h"

#include "host/binding_factory_hooks.h"
#include "platform/module/win_module.h"
#include "scripting/utf8_tools.h"

namespace FB {

HMODULE moduleHandle = nullptr;
std::string modulePath;

BOOL attachModule(HMODULE module, DWORD reason, bool comModuleFailed) {
    if (moduleHandle == nullptr) {
        moduleHandle = module;
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(module, path, MAX_PATH);
        path[MAX_PATH - 1] = L'\0';
        modulePath = wideToUtf8(path);
    }
    return (reason == DLL_PROCESS_ATTACH && comModuleFailed) ? FALSE : TRUE;
}

}  // namespace FB

// The library's entry point, called by the start-up code after the static initialisers.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    const auto& comModuleInitFailed = FB::bindingFactoryHooks().comModuleInitFailed;
    return FB::attachModule(instance, reason, comModuleInitFailed && comModuleInitFailed());
}
