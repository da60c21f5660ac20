// The COM object that shows one of the plug-in's scripting objects (a method fetched as a function
// object, a built-in function, any scripting object a call returns) to the page: IDispatchEx with
// its connection point, object safety for untrusted callers and data, and class information. It
// holds its scripting object and the browser host weakly, so it answers "member not found" rather
// than reaching either once it is gone. Reference counted from any thread; made only by wrapApi.
#pragma once

#include "activex/jsapi_idispatch_ex.h"
#include "activex/plugin_interfaces.h"
#include "platform/com/objsafe.h"
#include "platform/com/ocidl.h"

#include <atomic>
#include <memory>

namespace FB::ActiveX {

class COMJavascriptObject final
    : public JSAPI_IDispatchEx<COMJavascriptObject, IFBComJavascriptObject, &DIID_IFBComEventSource>,
      public IObjectSafety,
      public IProvideClassInfo2 {
public:
    using SharedReference = std::shared_ptr<ShareableReference<IDispatchEx>>;

    // A new object over the scripting object, with one reference for the caller. With autoRelease,
    // its end also ends the host's hold on the scripting object.
    static IDispatchEx* wrapApi(const ActiveXBrowserHostPtr& host, const JSAPIWeakPtr& api, bool autoRelease);

    // One more owner of the reference that expires when this object goes.
    SharedReference shareableReference() const { return m_sharedRef; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IObjectSafety: INTERFACESAFE_FOR_UNTRUSTED_CALLER and _DATA are supported, none enabled at
    // first.
    HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) override;
    HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD options) override;

    // IProvideClassInfo2: the class's type information from the type library the module carries;
    // GetGUID names no default source interface.
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override;

private:
    COMJavascriptObject();
    ~COMJavascriptObject() override;

    std::atomic<ULONG> m_references{0};
    DWORD m_enabledSafety = 0;
    bool m_autoRelease = false;
    SharedReference m_sharedRef;
};

// The shareable reference of the plug-in's own COM scripting object behind the pointer; empty for
// any other COM object.
COMJavascriptObject::SharedReference getCOMJavascriptObject(IDispatchEx* object);

}  // namespace FB::ActiveX
