// The thirteen NPP callbacks through which the browser drives each plug-in instance, and the
// per-instance record kept in NPP.pdata. Every callback runs on the browser's main thread and
// answers the browser with an error code: no exception leaves any of them.
#pragma once

#include "npapi/npapi_browser_host.h"
#include "npapi/npapi_plugin.h"
#include "platform/npapi/npfunctions.h"

#include <memory>

namespace FB::Npapi {

struct NpapiPDataHolder {
    NpapiBrowserHostPtr host;
    NpapiPluginPtr plugin;
};

// The instance's plug-in object; empty when the instance has no record.
NpapiPluginPtr getPlugin(NPP instance);
// Makes the instance's host: the message-window variant when the first instance of the process
// found "Safari" in the user agent, or a browser table older than version 19 or without
// NPN_PluginThreadAsyncCall.
NpapiBrowserHostPtr createBrowserHost(const NpapiPluginModulePtr& module, NPP instance);
// Writes the callbacks into the browser's record, as far as its size reaches (a size of 0 is not
// set: every callback is written). False when the record is missing or too short to hold them all.
bool fillPluginFuncs(NPPluginFuncs* pFuncs);

NPError NPP_New(NPMIMEType pluginType, NPP instance, uint16_t mode, int16_t argc, char* argn[], char* argv[],
                NPSavedData* saved);
NPError NPP_Destroy(NPP instance, NPSavedData** save);
NPError NPP_SetWindow(NPP instance, NPWindow* window);
NPError NPP_NewStream(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable, uint16_t* stype);
NPError NPP_DestroyStream(NPP instance, NPStream* stream, NPReason reason);
void NPP_StreamAsFile(NPP instance, NPStream* stream, const char* fname);
int32_t NPP_WriteReady(NPP instance, NPStream* stream);
int32_t NPP_Write(NPP instance, NPStream* stream, int32_t offset, int32_t len, void* buffer);
void NPP_Print(NPP instance, NPPrint* platformPrint);
int16_t NPP_HandleEvent(NPP instance, void* event);
void NPP_URLNotify(NPP instance, const char* url, NPReason reason, void* notifyData);
NPError NPP_GetValue(NPP instance, NPPVariable variable, void* value);
NPError NPP_SetValue(NPP instance, NPNVariable variable, void* value);

}  // namespace FB::Npapi
