// A page object (an NPObject the browser handed over: a function, an array, the window, the
// document, any object argument) seen by the plug-in as a JSObject. Every member access becomes
// the browser's NPN scripting call, made on the browser's main thread whatever thread the plug-in
// calls from (the caller waits). When the NPObject is one of the plug-in's own scriptable objects,
// the proxy skips the browser and goes straight to the plug-in object it wraps.
#pragma once

#include "npapi/npapi_browser_host.h"
#include "scripting/js_object.h"

#include <memory>
#include <string>
#include <vector>

namespace FB::Npapi {

class NPObjectAPI : public JSObject {
public:
    // Takes a browser reference on the object, held until the proxy goes.
    NPObjectAPI(NPObject* object, const NpapiBrowserHostPtr& host);
    // The browser reference is released on the main thread, while the host lives.
    ~NPObjectAPI() override;

    // Cuts a proxy of a plug-in object loose from it.
    void invalidate() override;

    using JSAPI::listMemberNames;
    void listMemberNames(std::vector<std::string>& names) override;
    size_t countMembers() override;
    using JSAPI::HasMethod;
    bool HasMethod(const std::string& name) override;
    using JSAPI::HasProperty;
    bool HasProperty(const std::string& name) override;
    bool HasProperty(int index) override;
    using JSAPI::GetProperty;
    variant GetProperty(const std::string& name) override;
    variant GetProperty(int index) override;
    using JSAPI::SetProperty;
    void SetProperty(const std::string& name, const variant& value) override;
    void SetProperty(int index, const variant& value) override;
    using JSAPI::RemoveProperty;
    void RemoveProperty(const std::string& name) override;
    void RemoveProperty(int index) override;
    using JSAPI::Invoke;
    // An empty name calls the object itself.
    variant Invoke(const std::string& name, const VariantList& args) override;
    variant Construct(const VariantList& args) override;

    void* getNativeObject() override { return m_object; }
    void* getHostContext() override;
    bool isBrowserObject() override { return true; }
    // Off the main thread it is queued there and returns at once.
    void callHandlers(const std::string& eventName, const VariantList& args, const std::vector<JSObjectPtr>& handlers,
                      const std::vector<JSObjectPtr>& sinks) override;
    bool isValid() override { return !m_hostRef.expired(); }
    // The plug-in object this proxy wraps, when it is one of the plug-in's own and still lives;
    // never throws.
    JSAPIPtr scriptingObject() override;

    NPObject* getNPObject() const { return m_object; }

private:
    std::shared_ptr<NPObjectAPI> sharedSelf();
    // Runs body(host) on the main thread (waiting for it from any other), or answers hostGone
    // once the host has gone.
    template <typename R, typename Body>
    R inBrowserThread(R hostGone, Body body);
    // The same, with forPlugin(api) taking the place of body for a proxy of a plug-in object.
    template <typename R, typename ForPlugin, typename ForBrowser>
    R perform(R hostGone, ForPlugin forPlugin, ForBrowser forBrowser);
    variant getInBrowser(NpapiBrowserHost& host, const std::string& name);
    variant invokeInBrowser(NpapiBrowserHost& host, const std::string& name, const VariantList& args);
    void callHandlersHere(NpapiBrowserHost& host, const std::string& eventName, const VariantList& args,
                          const std::vector<JSObjectPtr>& handlers, const std::vector<JSObjectPtr>& sinks);

    std::weak_ptr<NpapiBrowserHost> m_hostRef;
    NPObject* m_object;
    bool m_isPluginObject = false;
    JSAPIWeakPtr m_innerApi;
};

}  // namespace FB::Npapi
