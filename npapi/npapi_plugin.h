// The NPAPI side of one plug-in instance: what the NPP callbacks of the instance reach. It holds
// the application's plug-in core (made by the factory), hands it the page's <param> values and
// the browser host, drives the instance's streams and hands the browser the scriptable object of
// the core's root scripting object. Main thread only, as the callbacks.
#pragma once

#include "host/browser_plugin.h"
#include "npapi/npapi_browser_host.h"
#include "platform/npapi/npfunctions.h"

#include <memory>
#include <string>

namespace FB::Npapi {

class NPJavascriptObject;

class NpapiPlugin : public BrowserPlugin {
public:
    NpapiPlugin(const NpapiBrowserHostPtr& host, const std::string& mimetype);
    // Releases the browser reference it holds on its scriptable object.
    ~NpapiPlugin() override;

    // Clears the core's window and shuts the core down.
    void shutdown() override;
    // Hands the core the <param> values (argn/argv pairs whose value is given) and marks it ready.
    virtual void init(NPMIMEType pluginType, int16_t argc, char* argn[], char* argv[]);
    virtual void setReady();
    virtual NPError SetWindow(NPWindow* window);
    virtual NPError NewStream(NPMIMEType type, NPStream* stream, NPBool seekable, uint16_t* stype);
    virtual NPError DestroyStream(NPStream* stream, NPReason reason);
    virtual int32_t WriteReady(NPStream* stream);
    virtual int32_t Write(NPStream* stream, int32_t offset, int32_t len, void* buffer);
    virtual void StreamAsFile(NPStream* stream, const char* fname);
    virtual void Print(NPPrint* platformPrint);
    virtual int16_t HandleEvent(void* event);
    virtual void URLNotify(const char* url, NPReason reason, void* notifyData);
    virtual NPError GetValue(NPPVariable variable, void* value);
    virtual NPError SetValue(NPNVariable variable, void* value);

    // The scriptable object over the core's root scripting object, the same page object as every
    // other conversion of it gives; every call hands the browser one more reference. Null when the
    // browser makes none.
    NPObject* getScriptableObject();
    bool isReady() const { return m_isReady; }

protected:
    NPJavascriptObject* m_obj = nullptr;
    NpapiBrowserHostPtr m_npHost;
    bool m_isReady = false;
    std::string m_mimetype;
    // The browser is handed pointers into these; they live as long as the plug-in object.
    std::string m_pluginName;
    std::string m_pluginDesc;
};

using NpapiPluginPtr = std::shared_ptr<NpapiPlugin>;

}  // namespace FB::Npapi
