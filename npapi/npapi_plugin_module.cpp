#include "npapi/npapi_plugin_module.h"

#include "host/factory_base.h"
#include "npapi/npapi_factory_hooks.h"

#include <cassert>
#include <map>
#include <thread>

namespace FB::Npapi {

namespace {

struct ModuleState {
    std::map<int32_t, NpapiPluginModulePtr> modules;
    int32_t count = 0;
    // The browser's main thread: the thread that made the first module.
    std::thread::id owner;
};

ModuleState& moduleState() {
    static ModuleState state;
    return state;
}

// The one module id this system uses.
constexpr int32_t kModuleId = 0;

void assertOwnerThread([[maybe_unused]] ModuleState& state) {
    if (state.owner == std::thread::id()) state.owner = std::this_thread::get_id();
    assert(state.owner == std::this_thread::get_id() && "NPAPI module state is the browser's main thread's");
}

}  // namespace

NpapiPluginModulePtr NpapiPluginModule::getModule() {
    ModuleState& state = moduleState();
    assertOwnerThread(state);
    registerNpapiFactoryHooks();
    if (state.count == 0) sharedFactory()->processStartHook();
    NpapiPluginModulePtr& module = state.modules[kModuleId];
    if (!module) {
        module = std::make_shared<NpapiPluginModule>();
        ++state.count;
    }
    return module;
}

void NpapiPluginModule::releaseModule() {
    ModuleState& state = moduleState();
    assertOwnerThread(state);
    auto found = state.modules.find(kModuleId);
    if (found != state.modules.end()) {
        state.modules.erase(found);
        --state.count;
    }
    if (state.count == 0) sharedFactory()->processEndHook();
}

void* NpapiPluginModule::MemAlloc(uint32_t size) const {
    return m_browserFuncs.memalloc ? m_browserFuncs.memalloc(size) : nullptr;
}

void NpapiPluginModule::MemFree(void* ptr) const {
    if (m_browserFuncs.memfree) m_browserFuncs.memfree(ptr);
}

NPObject* NpapiPluginModule::RetainObject(NPObject* object) const {
    return m_browserFuncs.retainobject ? m_browserFuncs.retainobject(object) : object;
}

void NpapiPluginModule::ReleaseObject(NPObject* object) const {
    if (m_browserFuncs.releaseobject) m_browserFuncs.releaseobject(object);
}

void NpapiPluginModule::ReleaseVariantValue(NPVariant* variant) const {
    if (m_browserFuncs.releasevariantvalue) m_browserFuncs.releasevariantvalue(variant);
}

NPIdentifier NpapiPluginModule::GetStringIdentifier(const NPUTF8* name) const {
    return m_browserFuncs.getstringidentifier ? m_browserFuncs.getstringidentifier(name) : nullptr;
}

NPIdentifier NpapiPluginModule::GetIntIdentifier(int32_t intid) const {
    return m_browserFuncs.getintidentifier ? m_browserFuncs.getintidentifier(intid) : nullptr;
}

bool NpapiPluginModule::IdentifierIsString(NPIdentifier identifier) const {
    return m_browserFuncs.identifierisstring ? m_browserFuncs.identifierisstring(identifier) : true;
}

NPUTF8* NpapiPluginModule::UTF8FromIdentifier(NPIdentifier identifier) const {
    return m_browserFuncs.utf8fromidentifier ? m_browserFuncs.utf8fromidentifier(identifier) : nullptr;
}

int32_t NpapiPluginModule::IntFromIdentifier(NPIdentifier identifier) const {
    return m_browserFuncs.intfromidentifier ? m_browserFuncs.intfromidentifier(identifier) : 1;
}

std::string NpapiPluginModule::StringFromIdentifier(NPIdentifier identifier) const {
    NPUTF8* text = UTF8FromIdentifier(identifier);
    std::string name = text ? std::string(text) : std::string();
    MemFree(text);
    return name;
}

}  // namespace FB::Npapi
