// The browser host of one NPAPI plug-in instance: how the framework and the application reach the
// page through the browser's NPN functions (page objects, script, navigation, proxy, streams,
// main-thread calls), and the conversions of values between the page and the plug-in.
//
// The NPN functions may be called on the browser's main thread only (the thread that made the
// host); postAsyncCall and deferRelease may be called from any thread.
#pragma once

#include "host/browser_host.h"
#include "host/locked_queue.h"
#include "host/shareable_reference.h"
#include "npapi/npapi_plugin_module.h"
#include "platform/npapi/npfunctions.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace FB::Npapi {

class NPJavascriptObject;
class NPObjectAPI;
class NpapiStream;
using NPObjectAPIPtr = std::shared_ptr<NPObjectAPI>;
using NpapiStreamPtr = std::shared_ptr<NpapiStream>;

class NpapiBrowserHost : public BrowserHost {
public:
    NpapiBrowserHost(NpapiPluginModulePtr module, NPP npp);
    ~NpapiBrowserHost() override;

    // Copies the browser's table and fetches the page's window, the plug-in's element and the
    // page's document. Only objects the browser gives are wrapped.
    void setBrowserFuncs(const NPNetscapeFuncs* browserFuncs);

    void* getBrowserContext() override { return m_npp; }
    NPP getContextID() const { return m_npp; }

    // Throw std::runtime_error "Cannot find HTML document" / "Cannot find HTML window" when the
    // browser gave no such object.
    DOM::DocumentPtr documentObject() override;
    DOM::WindowPtr windowObject() override;
    DOM::ElementPtr elementObject() override;
    void navigate(const std::string& url, const std::string& target) override;
    using BrowserHost::runScriptText;
    // Throws script_error "Error executing JavaScript code" when the browser refuses the script.
    void runScriptText(const std::string& script) override;
    void shutdown() override;
    // Main thread: releases the browser objects queued by deferRelease; elsewhere does nothing.
    void releaseDeferredObjects() override;
    bool detectProxySettings(std::map<std::string, std::string>& settings, const std::string& url) override;
    // False once shut down, and when the browser offers no asynchronous call: nothing was posted.
    bool postAsyncCall(AsyncCallFunction fn, void* userData) override;
    BrowserStreamPtr createStreamImpl(const std::string& url, const PluginEventSinkPtr& sink, bool cache, bool seekable,
                                      uint32_t internalBufferSize) override;
    BrowserStreamPtr createPostStreamImpl(const std::string& url, const PluginEventSinkPtr& sink,
                                          const std::string& postData, bool cache, bool seekable,
                                          uint32_t internalBufferSize) override;
    // Any thread: the browser reference is released on the main thread (at once when called there).
    void deferRelease(NPObject* object);

    // Value conversions (main thread). getNPVariant writes nothing when the conversion throws;
    // every String and Object it makes carries one release for the receiver.
    void getNPVariant(NPVariant* destination, const variant& value);
    variant getVariant(const NPVariant* value);
    std::string StringFromIdentifier(NPIdentifier identifier) const;
    // The page-side object of a plug-in object, one per live object; one reference for the
    // caller; null when the browser makes none.
    NPJavascriptObject* getJSAPIWrapper(const JSAPIWeakPtr& api);

    // The stream the browser's notify data names, when it is one this host made and still lives.
    NpapiStreamPtr streamFromNotifyData(void* notifyData);

    const NpapiPluginModulePtr& module() const { return m_module; }
    std::shared_ptr<NpapiBrowserHost> sharedNpapiHost();

    // The browser functions; each answers the fallback given when the browser lacks it.
    NPError GetValueForURL(const char* url, char** value, uint32_t* len) const;  // 8
    void SetException(NPObject* object, const NPUTF8* message) const;
    bool Construct(NPObject* object, const NPVariant* args, uint32_t argCount, NPVariant* result) const;
    bool Enumerate(NPObject* object, NPIdentifier** identifiers, uint32_t* count) const;
    bool HasMethod(NPObject* object, NPIdentifier name) const;
    bool HasProperty(NPObject* object, NPIdentifier name) const;
    bool RemoveProperty(NPObject* object, NPIdentifier name) const;
    bool SetProperty(NPObject* object, NPIdentifier name, const NPVariant* value) const;
    bool GetProperty(NPObject* object, NPIdentifier name, NPVariant* result) const;
    bool Evaluate(NPObject* object, NPString* script, NPVariant* result) const;
    bool InvokeDefault(NPObject* object, const NPVariant* args, uint32_t argCount, NPVariant* result) const;
    bool Invoke(NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t argCount, NPVariant* result) const;
    NPObject* CreateObject() const;  // of the plug-in's scriptable-object class; null
    void PluginThreadAsyncCall(void (*func)(void*), void* userData) const;
    void PushPopupsEnabledState(NPBool enabled) const;
    void PopPopupsEnabledState() const;
    NPError GetValue(NPNVariable variable, void* value) const;  // 1
    NPError SetValue(NPPVariable variable, void* value) const;  // 1
    void InvalidateRect(NPRect* rect) const;
    void InvalidateRect2(NPRect rect) const;
    NPError DestroyStream(NPStream* stream) const;                        // reason NPRES_USER_BREAK; 1
    int32_t Write(NPStream* stream, int32_t len, void* buffer) const;     // 0
    NPError RequestRead(NPStream* stream, NPByteRange* rangeList) const;  // 1
    NPError PostURLNotify(const char* url, uint32_t len, const char* buf, void* notifyData) const;  // 1
    NPError GetURL(const char* url, const char* target) const;                                      // 1
    NPError GetURLNotify(const char* url, void* notifyData) const;                                  // 1
    const char* UserAgent() const;                                                                  // null
    // Through the module's table.
    NPObject* RetainObject(NPObject* object) const { return m_module->RetainObject(object); }
    void ReleaseObject(NPObject* object) const { m_module->ReleaseObject(object); }
    void ReleaseVariantValue(NPVariant* variant) const { m_module->ReleaseVariantValue(variant); }
    void* MemAlloc(uint32_t size) const { return m_module->MemAlloc(size); }
    void MemFree(void* ptr) const { m_module->MemFree(ptr); }
    NPIdentifier GetStringIdentifier(const NPUTF8* name) const { return m_module->GetStringIdentifier(name); }
    NPIdentifier GetIntIdentifier(int32_t intid) const { return m_module->GetIntIdentifier(intid); }
    bool IdentifierIsString(NPIdentifier identifier) const { return m_module->IdentifierIsString(identifier); }
    int32_t IntFromIdentifier(NPIdentifier identifier) const { return m_module->IntFromIdentifier(identifier); }

protected:
    // The browser's table; the main thread only.
    const NPNetscapeFuncs& funcs() const;

private:
    using WrapperReference = std::weak_ptr<ShareableReference<NPJavascriptObject>>;

    void fetchPageObjects();
    BrowserStreamPtr requestStream(const std::string& url, const PluginEventSinkPtr& sink, bool cache, bool seekable,
                                   uint32_t internalBufferSize, const std::string* postBlock);
    void forgetStreams();

    NPNetscapeFuncs m_browserFuncs{};
    // The one entry read off the main thread, apart from the table.
    std::atomic<NPN_PluginThreadAsyncCallProcPtr> m_asyncCall{nullptr};
    NpapiPluginModulePtr m_module;
    NPP m_npp;
    NPObjectAPIPtr m_htmlDoc;
    NPObjectAPIPtr m_htmlWin;
    NPObjectAPIPtr m_htmlElement;
    LockedQueue<NPObject*> m_deferredObjects;
    // From a plug-in object's address to its page-side wrapper; main thread only.
    std::map<const void*, WrapperReference> m_cachedNPObject;
    // The streams this host asked the browser for, by the notify data they travel with.
    std::mutex m_streamsLock;
    std::map<void*, std::weak_ptr<NpapiStream>> m_streams;
};

using NpapiBrowserHostPtr = std::shared_ptr<NpapiBrowserHost>;

}  // namespace FB::Npapi
