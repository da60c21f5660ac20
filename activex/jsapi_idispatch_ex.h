// The COM face of a scripting object: IDispatchEx (members found by name through the process-wide
// DISPID table, called, read, written, listed and deleted), and one connection point for the event
// interface `EventIID`, through which an advised sink becomes an event sink of the scripting
// object. Used by the plug-in's COM scripting objects, whose final class (`Derived`) supplies
// QueryInterface, AddRef and Release; the method bodies are those of JSAPI_IDispatchExBase.
//
// The browser calls these methods on its main thread. None lets an exception out.
#pragma once

#include "activex/com_owners.h"
#include "activex/jsapi_idispatch_ex_base.h"
#include "platform/com/ocidl.h"

#include <string>
#include <vector>

namespace FB::ActiveX {

// The connection-point enumerator over one point; the point's reference is the enumerator's.
HRESULT enumerateOneConnectionPoint(IConnectionPoint* point, IEnumConnectionPoints** points);

template <class Derived, class IDISP, const IID* EventIID>
class JSAPI_IDispatchEx : public JSAPI_IDispatchExBase,
                          public IDISP,
                          public IConnectionPointContainer,
                          public IConnectionPoint {
public:
    explicit JSAPI_IDispatchEx(std::string mimetype) : m_mimetype(std::move(mimetype)) {}

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    // Each name as GetDispID finds it, up to the first that fails (its id is -1, later ids are not
    // written); the last result.
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (count > 0 && (!names || !ids)) return E_POINTER;
        HRESULT result = S_OK;
        for (UINT i = 0; i < count && result >= 0; ++i) {
            BSTR name = SysAllocString(names[i]);
            result = name || !names[i] ? GetDispID(name, 0, &ids[i]) : E_OUTOFMEMORY;
            SysFreeString(name);
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT*) override {
        return InvokeEx(id, locale, flags, params, result, exception, nullptr);
    }

    // IDispatchEx
    HRESULT STDMETHODCALLTYPE GetDispID(BSTR name, DWORD, DISPID* id) override { return dispatchGetDispID(name, id); }
    HRESULT STDMETHODCALLTYPE InvokeEx(DISPID id, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                       EXCEPINFO* exception, IServiceProvider*) override {
        return dispatchInvoke(id, flags, params, result, exception, m_mimetype, m_readyState);
    }
    HRESULT STDMETHODCALLTYPE DeleteMemberByName(BSTR, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteMemberByDispID(DISPID id) override { return dispatchDeleteMember(id); }
    HRESULT STDMETHODCALLTYPE GetMemberProperties(DISPID, DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMemberName(DISPID id, BSTR* name) override { return dispatchGetMemberName(id, name); }
    HRESULT STDMETHODCALLTYPE GetNextDispID(DWORD, DISPID id, DISPID* next) override {
        return dispatchGetNextDispID(id, next, m_memberNames);
    }
    HRESULT STDMETHODCALLTYPE GetNameSpaceParent(IUnknown**) override { return E_NOTIMPL; }

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override {
        if (!points) return E_POINTER;
        *points = nullptr;
        IConnectionPoint* point = nullptr;
        const HRESULT found = self().QueryInterface(IID_IConnectionPoint, reinterpret_cast<void**>(&point));
        if (found < 0) return found;
        return enumerateOneConnectionPoint(point, points);
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        if (!point) return E_POINTER;
        *point = nullptr;
        if (iid != *EventIID) return CONNECT_E_NOCONNECTION;
        return self().QueryInterface(IID_IConnectionPoint, reinterpret_cast<void**>(point));
    }

    // IConnectionPoint
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        if (!iid) return E_POINTER;
        *iid = *EventIID;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override {
        if (!container) return E_POINTER;
        return self().QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container));
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
        return adviseSink(sink, cookie, m_connections);
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override { return unadviseSink(cookie, m_connections); }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

protected:
    ~JSAPI_IDispatchEx() override = default;

    Derived& self() { return static_cast<Derived&>(*this); }

    std::string m_mimetype;
    SinkConnections m_connections;
    LONG m_readyState = READYSTATE_LOADING;
    ComPtr<IPropertyNotifySink> m_propertyNotifySink;
    std::vector<std::wstring> m_memberNames;
};

}  // namespace FB::ActiveX
