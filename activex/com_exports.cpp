// The library's five COM exports. COM calls DllGetClassObject and DllCanUnloadNow on the browser's
// thread; an installer calls the registration exports (regsvr32, or the harvesting tool "heat.exe"
// that collects what registration writes).
#include "activex/activex_factory_hooks.h"
#include "activex/com_module.h"
#include "host/factory_base.h"
#include "host/plugin_core.h"

#define COM_EXPORT extern "C" __attribute__((visibility("default")))

using FB::ActiveX::ComModule;

namespace {

// The other road to registration, through the application's factory, is taken when the module's
// own fails: it writes (or removes) the control's own script. The module's failure is what the
// installer hears: a fallback that succeeds after a failed step must not hide it.
HRESULT withFallback(HRESULT moduleResult, bool install) {
    if (SUCCEEDED(moduleResult)) return moduleResult;
    FB::ActiveX::registerActiveXFactoryHooks();
    sharedFactory()->updateRegistry(install);
    return moduleResult;
}

// "user" ignoring case, the terminator included.
bool isUserCommand(LPCWSTR commandLine) {
    if (!commandLine) return false;
    const wchar_t* expected = L"user";
    for (int i = 0; i < 5; ++i) {
        wchar_t c = commandLine[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != expected[i]) return false;
    }
    return true;
}

}  // namespace

COM_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    try {
        const HRESULT result = ComModule::instance().getClassObject(clsid, iid, object);
        if (SUCCEEDED(result) && !FB::ActiveX::pluginGlobalsInitialised()) {
            FB::PluginCore::setPlatform("Windows", "IE");
            sharedFactory()->processStartHook();
            FB::ActiveX::setPluginGlobalsInitialised(true);
        }
        return result;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

COM_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    try {
        const HRESULT answer = ComModule::instance().lockCount() == 0 ? S_OK : S_FALSE;
        if (answer == S_FALSE && FB::PluginCore::activeCoreCount() > 0) return answer;
        if (FB::ActiveX::pluginGlobalsInitialised()) {
            sharedFactory()->processEndHook();
            FB::ActiveX::setPluginGlobalsInitialised(false);
        }
        return answer;
    } catch (...) {
        return S_FALSE;
    }
}

COM_EXPORT HRESULT STDAPICALLTYPE DllRegisterServer() {
    try {
        FB::ActiveX::applyHostProcessRule();
        return withFallback(ComModule::instance().registerServer(), true);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

COM_EXPORT HRESULT STDAPICALLTYPE DllUnregisterServer() {
    try {
        FB::ActiveX::applyHostProcessRule();
        return withFallback(ComModule::instance().unregisterServer(), false);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

COM_EXPORT HRESULT STDAPICALLTYPE DllInstall(BOOL install, LPCWSTR commandLine) {
    ComModule::instance().setPerUser(isUserCommand(commandLine));
    if (!install) return DllUnregisterServer();
    const HRESULT result = DllRegisterServer();
    if (FAILED(result)) DllUnregisterServer();
    return result;
}
