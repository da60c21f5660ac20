#include "activex/com_module.h"

#include "activex/fb_control_factory.h"
#include "activex/fb_control_ids.h"
#include "activex/plugin_interfaces.h"
#include "host/module_attach.h"
#include "platform/com/objbase.h"
#include "platform/com/registrar.h"
#include "platform/com/type_library.h"
#include "platform/module/psapi.h"
#include "platform/module/win_module.h"
#include "platform/module/win_resource.h"
#include "platform/text/win_code_page.h"
#include "platform/text/win_locale.h"
#include "scripting/utf8_tools.h"

#include <atomic>
#include <filesystem>
#include <map>
#include <string>

namespace FB::ActiveX {

// The module's resource table, generated from its resource files.
const platform::ModuleResource* moduleResourceTable(size_t& count);

namespace {

constexpr UINT kAppIdScript = 101;
constexpr UINT kControlScript = 103;

std::atomic<LONG> lockCounter{0};
bool globalsInitialised = false;

// The module that carries the resources: the one this code is linked into.
HMODULE ownModule() {
    static const HMODULE module = [] {
        size_t count = 0;
        const platform::ModuleResource* table = moduleResourceTable(count);
        platform::registerModuleResources(reinterpret_cast<const void*>(&ownModule), table, count);
        return FB::moduleHandle;
    }();
    return module;
}

std::wstring modulePathWide(HMODULE module) {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH + 1);
    return length == 0 || length > MAX_PATH ? std::wstring() : std::wstring(path, length);
}

// The replacements of the control's script, made once per process on first use.
const std::map<std::wstring, std::wstring>& controlReplacements() {
    static const std::map<std::wstring, std::wstring> replacements = [] {
        OLECHAR libid[39] = {};
        StringFromGUID2(LIBID_VeltrinLib, libid, 39);
        const char threading[] = "Apartment";
        wchar_t wide[16] = {};
        MultiByteToWideChar(CP_THREAD_ACP, 0, threading, -1, wide, 16);
        return std::map<std::wstring, std::wstring>{
            {L"APPID", kAppIdText}, {L"LIBID", std::wstring(libid, 38)}, {L"THREADING", wide}};
    }();
    return replacements;
}

HRESULT runScript(UINT id, bool registering, bool perUser) {
    const HMODULE module = ownModule();
    platform::Registrar registrar;
    registrar.setPerUser(perUser);
    registrar.addReplacement(L"APPID", kAppIdText);
    if (id == kControlScript) {
        for (const auto& [name, value] : controlReplacements()) registrar.addReplacement(name, value);
    }
    return registering ? registrar.resourceRegister(module, id, L"REGISTRY")
                       : registrar.resourceUnregister(module, id, L"REGISTRY");
}

HRESULT registerTypeLibrary(bool perUser) {
    std::wstring path = modulePathWide(ownModule());
    ITypeLib* library = nullptr;
    HRESULT result = ComModule::instance().loadTypeLibrary(&library);
    if (FAILED(result)) return result;
    std::wstring helpDir = std::filesystem::path(path).parent_path().wstring();
    result = perUser ? RegisterTypeLibForUser(library, path.data(), helpDir.data())
                     : RegisterTypeLib(library, path.c_str(), helpDir.c_str());
    library->Release();
    return result;
}

HRESULT unregisterTypeLibrary(bool perUser) {
    ITypeLib* library = nullptr;
    HRESULT result = ComModule::instance().loadTypeLibrary(&library);
    if (FAILED(result)) return result;
    TLIBATTR* attributes = nullptr;
    result = library->GetLibAttr(&attributes);
    if (SUCCEEDED(result)) {
        result = perUser ? UnRegisterTypeLibForUser(attributes->guid, attributes->wMajorVerNum,
                                                    attributes->wMinorVerNum, attributes->lcid, attributes->syskind)
                         : UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                                             attributes->lcid, attributes->syskind);
        library->ReleaseTLibAttr(attributes);
    }
    library->Release();
    return result;
}

// The scripts and the type library are registered under the system's locale, the thread's own
// restored afterwards.
class SystemLocaleScope {
public:
    SystemLocaleScope() : previous_(GetThreadLocale()) { SetThreadLocale(LOCALE_SYSTEM_DEFAULT); }
    ~SystemLocaleScope() { SetThreadLocale(previous_); }
    SystemLocaleScope(const SystemLocaleScope&) = delete;
    SystemLocaleScope& operator=(const SystemLocaleScope&) = delete;

private:
    LCID previous_;
};

}  // namespace

ComModule& ComModule::instance() {
    static ComModule module;
    return module;
}

LONG ComModule::lock() { return ++lockCounter; }
LONG ComModule::unlock() { return --lockCounter; }
LONG ComModule::lockCount() const { return lockCounter.load(); }

HRESULT ComModule::getClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_FBControl0) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new FBControlClassFactory();
    const HRESULT result = factory->QueryInterface(iid, object);
    factory->Release();
    return result;
}

HRESULT ComModule::registerServer() {
    const SystemLocaleScope locale;
    HRESULT result = runScript(kAppIdScript, true, m_perUser);
    if (SUCCEEDED(result)) result = runScript(kControlScript, true, m_perUser);
    if (SUCCEEDED(result)) result = registerTypeLibrary(m_perUser);
    return result;
}

HRESULT ComModule::unregisterServer() {
    const SystemLocaleScope locale;
    HRESULT result = runScript(kControlScript, false, m_perUser);
    if (SUCCEEDED(result)) result = unregisterTypeLibrary(m_perUser);
    if (SUCCEEDED(result)) result = runScript(kAppIdScript, false, m_perUser);
    return result;
}

HRESULT ComModule::updateControlRegistry(bool registering) {
    return runScript(kControlScript, registering, m_perUser);
}

HRESULT ComModule::loadTypeLibrary(ITypeLib** library) {
    const std::wstring path = modulePathWide(ownModule());
    if (path.empty()) return E_FAIL;
    return LoadTypeLib(path.c_str(), library);
}

HRESULT ComModule::classInfo(REFCLSID clsid, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    ITypeLib* library = nullptr;
    HRESULT result = loadTypeLibrary(&library);
    if (FAILED(result)) return result;
    result = library->GetTypeInfoOfGuid(clsid, info);
    library->Release();
    return result;
}

bool pluginGlobalsInitialised() { return globalsInitialised; }
void setPluginGlobalsInitialised(bool initialised) { globalsInitialised = initialised; }

void applyHostProcessRule() {
    std::string path;
    HMODULE first = nullptr;
    DWORD needed = 0;
    if (EnumProcessModules(GetCurrentProcess(), &first, sizeof(first), &needed)) {
        wchar_t buffer[MAX_PATH] = {};
        const DWORD length = GetModuleFileNameW(first, buffer, MAX_PATH);
        if (length > 0 && length < MAX_PATH) path = FB::wideToUtf8(std::wstring(buffer, length));
    }
    static constexpr std::string_view harvester = "heat.exe";
    const bool harvesting = path.size() >= harvester.size() && path.ends_with(harvester);
    if (!harvesting) ComModule::instance().setPerUser(true);
}

}  // namespace FB::ActiveX
