// The part of every COM scripting object of the plug-in that does not depend on its COM class: the
// scripting object it shows and the browser host (both held weakly), the three built-in functions
// "attachEvent", "detachEvent" and "getLastException", the process-wide text of the last script
// error, and the bodies of the IDispatchEx and connection-point methods, which the COM classes
// (JSAPI_IDispatchEx) forward to.
//
// No exception leaves through these bodies: each maps what it catches to a COM result. Called by
// the browser on its main thread.
#pragma once

#include "activex/com_owners.h"
#include "activex/plugin_interfaces.h"
#include "host/shareable_reference.h"
#include "scripting/jsapi.h"
#include "scripting/variant.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace FB::ActiveX {

class ActiveXBrowserHost;
using ActiveXBrowserHostPtr = std::shared_ptr<ActiveXBrowserHost>;

// The event sinks advised on one connection point, by cookie. Cookies count up from 1, so that a
// cookie never names two sinks in the object's life. A sink given before the object shows a
// scripting object waits, under its cookie, until it does.
struct SinkConnections {
    std::map<DWORD, JSObjectPtr> sinks;
    std::map<DWORD, ComPtr<IDispatch>> waiting;
    DWORD nextCookie = 1;
};

class JSAPI_IDispatchExBase : public IPluginObject {
public:
    class IDisp_AttachEvent;
    class IDisp_DetachEvent;
    class IDisp_GetLastException;
    using OwnerReference = std::weak_ptr<ShareableReference<JSAPI_IDispatchExBase>>;

    JSAPI_IDispatchExBase(const JSAPI_IDispatchExBase&) = delete;
    JSAPI_IDispatchExBase& operator=(const JSAPI_IDispatchExBase&) = delete;

    void setAPI(const JSAPIWeakPtr& api, const std::weak_ptr<ActiveXBrowserHost>& host);
    // Throws std::bad_cast "Invalid object" once the scripting object is gone.
    JSAPIPtr getAPI() const;
    // Empty once the host is gone.
    ActiveXBrowserHostPtr getHost() const;

    // (event name, handler[, unused]): adds or removes the handler; true. invalid_arguments for
    // another count or for values that do not convert.
    virtual bool callSetEventListener(const VariantList& args, bool add);

    // The message of the last script error that any of the plug-in's COM objects caught, as a
    // narrow string; empty until one did. Never cleared.
    static variant lastException();

protected:
    JSAPI_IDispatchExBase();
    virtual ~JSAPI_IDispatchExBase();

    static void setLastException(const std::string& message);

    // The method bodies. `mimetype` is the source of script errors in EXCEPINFO; `readyState` the
    // answer to DISPID_READYSTATE.
    HRESULT dispatchGetDispID(BSTR name, DISPID* id);
    HRESULT dispatchInvoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                           const std::string& mimetype, LONG readyState);
    HRESULT dispatchGetMemberName(DISPID id, BSTR* name);
    HRESULT dispatchGetNextDispID(DISPID id, DISPID* next, std::vector<std::wstring>& memberNames);
    HRESULT dispatchDeleteMember(DISPID id);
    HRESULT adviseSink(IUnknown* sink, DWORD* cookie, SinkConnections& connections);
    // As adviseSink, but a sink given before there is a scripting object waits for it.
    HRESULT adviseSinkWhenReady(IUnknown* sink, DWORD* cookie, SinkConnections& connections);
    // The waiting sinks become sinks of the scripting object now shown.
    void connectWaitingSinks(SinkConnections& connections);
    HRESULT unadviseSink(DWORD cookie, SinkConnections& connections);

private:
    // What the built-in functions hold of this object: it expires when the object goes.
    std::shared_ptr<ShareableReference<JSAPI_IDispatchExBase>> m_selfReference;

protected:
    JSAPIWeakPtr m_api;
    std::shared_ptr<IDisp_AttachEvent> attachEventFunction;
    std::shared_ptr<IDisp_DetachEvent> detachEventFunction;
    std::shared_ptr<IDisp_GetLastException> getLastExceptionFunction;
    std::weak_ptr<ActiveXBrowserHost> m_host;

private:
    void invokeMember(JSAPI& api, ActiveXBrowserHost& host, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result);
    bool invokeBuiltin(ActiveXBrowserHost& host, const std::wstring& name, WORD flags, DISPPARAMS* params,
                       VARIANT* result);
};

}  // namespace FB::ActiveX
