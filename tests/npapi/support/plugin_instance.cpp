#include "tests/npapi/support/plugin_instance.h"

#include "npapi/npp_callbacks.h"

namespace npapi_test {

PluginInstance::PluginInstance(TestBrowser& testBrowser, const Params& params) : browser(testBrowser) {
    pluginFuncs.size = sizeof(pluginFuncs);
    NP_GetEntryPoints(&pluginFuncs);
    NP_Initialize(&browser.funcs);
    std::vector<char*> names;
    std::vector<char*> values;
    for (const auto& [name, value] : params) {
        names.push_back(const_cast<char*>(name.c_str()));
        values.push_back(const_cast<char*>(value.c_str()));
    }
    char type[] = "application/x-veltrin";
    created = pluginFuncs.newp(type, &browser.instance, NP_EMBED, static_cast<int16_t>(names.size()), names.data(),
                               values.data(), nullptr);
}

PluginInstance::~PluginInstance() {
    destroy();
    NP_Shutdown();
}

NPError PluginInstance::destroy() {
    if (m_destroyed) return NPERR_NO_ERROR;
    m_destroyed = true;
    return pluginFuncs.destroy(&browser.instance, nullptr);
}

NPObject* PluginInstance::scriptable() {
    NPObject* object = nullptr;
    pluginFuncs.getvalue(&browser.instance, NPPVpluginScriptableNPObject, &object);
    return object;
}

FB::Npapi::NpapiBrowserHostPtr PluginInstance::host() const {
    auto* record = static_cast<FB::Npapi::NpapiPDataHolder*>(browser.instance.pdata);
    return record ? record->host : nullptr;
}

FB::Npapi::NpapiPluginPtr PluginInstance::plugin() const { return FB::Npapi::getPlugin(&browser.instance); }

TestPluginCore& PluginInstance::core() const { return static_cast<TestPluginCore&>(*plugin()->pluginCore()); }

std::shared_ptr<TestApi> PluginInstance::api() const {
    return std::static_pointer_cast<TestApi>(core().rootScriptingObject());
}

}  // namespace npapi_test
