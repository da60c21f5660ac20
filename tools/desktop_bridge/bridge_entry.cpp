#include "tools/desktop_bridge/bridge_entry.h"

#include "tools/desktop_bridge/desktop_bridge.h"

#include "host/plugin_identity.h"

#include <cstdio>
#include <memory>
#include <string>

namespace desktop {

namespace {

// Made by NP_Initialize and gone with NP_Shutdown only: a browser that never shuts the plug-in
// down leaves it to the process's end, when npVeltrin.so can no longer be asked to stop.
DesktopBridge* bridge = nullptr;

// The description of the first entry of the plug-in's MIME list ("type:extensions:description;").
const std::string& pluginDescription() {
    static const std::string description = [] {
        const std::string list = FB::kPluginMimeList;
        const std::string entry = list.substr(0, list.find(';'));
        const size_t first = entry.find(':');
        const size_t second = first == std::string::npos ? first : entry.find(':', first + 1);
        return second == std::string::npos ? std::string() : entry.substr(second + 1);
    }();
    return description;
}

}  // namespace

const char* mimeDescription() { return FB::kPluginMimeList; }

NPError libraryValue(NPPVariable variable, void* value) {
    if (!value) return NPERR_INVALID_PARAM;
    switch (variable) {
        case NPPVpluginNameString:
            *static_cast<const char**>(value) = FB::kPluginName;
            return NPERR_NO_ERROR;
        case NPPVpluginDescriptionString:
            *static_cast<const char**>(value) = pluginDescription().c_str();
            return NPERR_NO_ERROR;
        default:
            return NPERR_INVALID_PARAM;
    }
}

NPError initialize(NPNetscapeFuncs* browser, NPPluginFuncs* plugin) {
    if (!browser || !plugin) return NPERR_INVALID_FUNCTABLE_ERROR;
    if (plugin->size != 0 && plugin->size < NP_TABLE_SIZE_THROUGH(NPPluginFuncs, setvalue))
        return NPERR_INVALID_FUNCTABLE_ERROR;
    if (!bridge) {
        try {
            bridge = new DesktopBridge(*browser);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "desktop bridge: %s\n", error.what());
            return NPERR_MODULE_LOAD_FAILED_ERROR;
        }
    }
    DesktopBridge::fillPluginFuncs(*plugin);
    return NPERR_NO_ERROR;
}

NPError shutdown() {
    delete bridge;
    bridge = nullptr;
    return NPERR_NO_ERROR;
}

}  // namespace desktop
