// A page object (a function, an array, the window, the document, an event sink, any value that
// arrives as VT_DISPATCH) seen by the plug-in as a JSObject. Every member access becomes a call of
// the object's IDispatchEx (or, without it, IDispatch), made on the browser's main thread whatever
// thread the plug-in calls from (the caller waits; event delivery alone is queued). The COM
// reference on the object belongs to the browser host, which releases it on the main thread; the
// proxy holds only a weak link to it and to the host, so a proxy that outlives either answers as
// an invalid object instead of reaching a released one. When the page object is one of the
// plug-in's own COM scripting objects, the proxy goes straight to the scripting object behind it.
#pragma once

#include "activex/activex_browser_host.h"
#include "scripting/js_object.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace FB::ActiveX {

class IDispatchAPI;
using IDispatchAPIPtr = std::shared_ptr<IDispatchAPI>;

class IDispatchAPI : public JSObject {
public:
    // The only way to make a proxy; `object` must not be null. Main thread.
    static IDispatchAPIPtr create(IDispatch* object, const ActiveXBrowserHostPtr& host);
    // While the host lives, the page object goes to its deferred-release queue: released at once on
    // the main thread, later there from any other.
    ~IDispatchAPI() override;

    // The proxy lets go of the page object.
    void invalidate() override;

    using JSAPI::listMemberNames;
    // Appends the member names; script_error without IDispatchEx.
    void listMemberNames(std::vector<std::string>& names) override;
    // 0 for an object that cannot list its members.
    size_t countMembers() override;
    using JSAPI::HasMethod;
    // A member with an id whose property get fails.
    bool HasMethod(const std::string& name) override;
    // Any member with an id.
    bool HasMethod(const std::wstring& name) override;
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
    // An empty name calls the object itself. Script errors: "Method invoke failed".
    variant Invoke(const std::string& name, const VariantList& args) override;
    variant Construct(const VariantList& args) override;

    // The page object's IDispatch, without a reference for the caller; null once let go.
    void* getNativeObject() override;
    void* getHostContext() override;
    bool isBrowserObject() override { return true; }
    // Calls each handler (its default member) and each sink's member named like the event, with
    // this proxy as the this-value; failures are ignored. Off the main thread it is queued there.
    void callHandlers(const std::string& eventName, const VariantList& args, const std::vector<JSObjectPtr>& handlers,
                      const std::vector<JSObjectPtr>& sinks) override;
    bool isValid() override;
    // The plug-in's own scripting object behind the page object, or null; never throws. Any thread:
    // what the page object is was found out when the proxy was made, on the main thread.
    JSAPIPtr scriptingObject() override;

    // The member's DISPID, asked of the object; -1 when it has none.
    long getIDForName(const std::wstring& name) const;
    // The same, under the name the framework's other parts call it by.
    long dispIdForName(const std::wstring& name) const { return getIDForName(name); }
    // Throws std::bad_weak_ptr once the proxy has let go of the object.
    IDispatch* getIDispatch() const;
    // Throws std::bad_cast "BrowserHost has shut down" once the host is gone.
    ActiveXBrowserHostPtr getHost() const;

private:
    IDispatchAPI(IDispatch* object, const ActiveXBrowserHostPtr& host);

    IDispatchAPIPtr sharedSelf() const;
    // The holder of the page object's reference while the proxy has one.
    DispatchReference dispatchReference() const;
    // Runs body(host) on the main thread (waiting for it from any other thread), or answers
    // `invalid` for an invalid proxy.
    template <typename R, typename Body>
    R onBrowserThread(R invalid, Body body) const;
    // The same, with forPlugin(api) in place of body for a proxy of a plug-in object (answering
    // `gone` when that object has gone).
    template <typename R, typename ForPlugin, typename ForPage>
    R perform(R invalid, R gone, ForPlugin forPlugin, ForPage forPage);

    // Asks the page object (main thread) whether it is one of the plug-in's own.
    JSAPIPtr findScriptingObject() const;
    long idForNameHere(const std::wstring& name) const;
    variant callHere(ActiveXBrowserHost& host, long id, WORD flags, const VariantList& args);
    variant getHere(ActiveXBrowserHost& host, const std::string& name);
    void setHere(ActiveXBrowserHost& host, const std::string& name, const variant& value);
    size_t walkMembers(const std::function<void(DISPID)>& visit) const;
    void callHandlersHere(ActiveXBrowserHost& host, const std::string& eventName, const VariantList& args,
                          const std::vector<JSObjectPtr>& handlers, const std::vector<JSObjectPtr>& sinks);

    std::weak_ptr<ActiveXBrowserHost> hostRef;
    // Read from any thread, cleared by invalidate.
    mutable std::mutex dispatchRefLock;
    DispatchWeakReference dispatchRef;
    bool wrapsPluginObject = false;
    JSAPIWeakPtr pluginObjectRef;
};

}  // namespace FB::ActiveX
