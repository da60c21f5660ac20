// The four entry points through which a Linux NPAPI browser finds and starts a plug-in library.
// The Windows declarations of the plug-in's own entry points are kept out of this file: the Linux
// NP_Initialize has the same name and another signature.
#include "tools/desktop_bridge/bridge_entry.h"

#define BRIDGE_EXPORT extern "C" __attribute__((visibility("default")))

BRIDGE_EXPORT const char* NP_GetMIMEDescription() { return desktop::mimeDescription(); }

BRIDGE_EXPORT NPError NP_GetValue(void*, NPPVariable variable, void* value) {
    return desktop::libraryValue(variable, value);
}

BRIDGE_EXPORT NPError NP_Initialize(NPNetscapeFuncs* browser, NPPluginFuncs* plugin) {
    return desktop::initialize(browser, plugin);
}

BRIDGE_EXPORT NPError NP_Shutdown() { return desktop::shutdown(); }
