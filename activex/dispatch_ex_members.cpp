// Member lookup, naming, listing and deletion of the plug-in's COM scripting objects, all by the
// process-wide DISPID table. Names match exactly and no member is ever created by a lookup.
#include "activex/activex_browser_host.h"
#include "activex/dispatch_name_map.h"
#include "activex/idispatch_api.h"
#include "activex/jsapi_idispatch_ex_base.h"
#include "platform/com/ocidl.h"
#include "scripting/script_error.h"

#include <algorithm>
#include <utility>

namespace FB::ActiveX {

namespace {

const wchar_t* const kBuiltinNames[] = {L"attachEvent", L"detachEvent", L"getLastException"};

bool isBuiltin(const std::wstring& name) {
    return std::find(std::begin(kBuiltinNames), std::end(kBuiltinNames), name) != std::end(kBuiltinNames);
}

DISPID idFor(const std::wstring& name) { return static_cast<DISPID>(dispatchNameMap.getIdForValue(variant(name))); }

// The scripting object's members in its order, then the built-ins, each name once: a walk that
// found a name twice would go round for ever.
void listMembers(JSAPI& api, std::vector<std::wstring>& names) {
    std::vector<std::wstring> listed;
    api.listMemberNames(listed);
    listed.insert(listed.end(), std::begin(kBuiltinNames), std::end(kBuiltinNames));
    names.clear();
    for (std::wstring& name : listed) {
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
    }
}

}  // namespace

// The name up to its first zero.
HRESULT JSAPI_IDispatchExBase::dispatchGetDispID(BSTR name, DISPID* id) {
    if (!id) return E_POINTER;
    *id = DISPID_UNKNOWN;
    try {
        const std::wstring member = name ? std::wstring(name) : std::wstring();
        const JSAPIPtr api = getAPI();
        if (isBuiltin(member) || api->HasProperty(member) || api->HasMethod(member)) {
            *id = idFor(member);
            return S_OK;
        }
    } catch (...) {}
    return DISP_E_UNKNOWNNAME;
}

HRESULT JSAPI_IDispatchExBase::dispatchGetMemberName(DISPID id, BSTR* name) {
    if (!name) return E_POINTER;
    try {
        *name = ScopedBstr(dispatchNameMap.getValueForId(id)).detach();
        return S_OK;
    } catch (...) {
        return DISP_E_UNKNOWNNAME;
    }
}

// An id the table does not hold, or not in the list, ends the walk like its last member.
HRESULT JSAPI_IDispatchExBase::dispatchGetNextDispID(DISPID id, DISPID* next, std::vector<std::wstring>& memberNames) {
    if (!next) return E_POINTER;
    try {
        listMembers(*getAPI(), memberNames);
        if (id == DISPID_STARTENUM) {
            *next = idFor(memberNames.front());
            return S_OK;
        }
        const auto current = std::find(memberNames.begin(), memberNames.end(), dispatchNameMap.getValueForId(id));
        if (current == memberNames.end() || std::next(current) == memberNames.end()) return S_FALSE;
        *next = idFor(*std::next(current));
        return S_OK;
    } catch (...) {
        return S_FALSE;
    }
}

HRESULT JSAPI_IDispatchExBase::dispatchDeleteMember(DISPID id) {
    try {
        const JSAPIPtr api = getAPI();
        if (!dispatchNameMap.hasId(id)) return S_FALSE;
        api->RemoveProperty(dispatchNameMap.getValueForId(id));
        return S_OK;
    } catch (const script_error& error) {
        setLastException(error.what());
    } catch (...) {}
    return S_FALSE;
}

// Cookies come from the object's own counter, so a cookie never names two sinks.
HRESULT JSAPI_IDispatchExBase::adviseSink(IUnknown* sink, DWORD* cookie, SinkConnections& connections) {
    if (!cookie) return E_POINTER;
    ComPtr<IDispatch> dispatch;
    if (!sink || sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put())) < 0 || !dispatch) {
        return CONNECT_E_CANNOTCONNECT;
    }
    try {
        const ActiveXBrowserHostPtr host = getHost();
        if (!host) return CONNECT_E_CANNOTCONNECT;
        const JSObjectPtr wrapper = IDispatchAPI::create(dispatch.get(), host);
        getAPI()->addEventSink(wrapper);
        if (connections.nextCookie == 0) connections.nextCookie = 1;
        const DWORD given = connections.nextCookie++;
        connections.sinks[given] = wrapper;
        *cookie = given;
        return S_OK;
    } catch (...) {
        return CONNECT_E_CANNOTCONNECT;
    }
}

HRESULT JSAPI_IDispatchExBase::adviseSinkWhenReady(IUnknown* sink, DWORD* cookie, SinkConnections& connections) {
    if (!cookie) return E_POINTER;
    if (!m_api.expired() && getHost()) return adviseSink(sink, cookie, connections);
    ComPtr<IDispatch> dispatch;
    if (!sink || sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put())) < 0 || !dispatch) {
        return CONNECT_E_CANNOTCONNECT;
    }
    if (connections.nextCookie == 0) connections.nextCookie = 1;
    *cookie = connections.nextCookie++;
    connections.waiting[*cookie] = dispatch;
    return S_OK;
}

// Sinks wait on while there is no host to convert their calls; one that cannot be connected (the
// object already gone again) is dropped.
void JSAPI_IDispatchExBase::connectWaitingSinks(SinkConnections& connections) {
    const ActiveXBrowserHostPtr host = getHost();
    if (!host || m_api.expired()) return;
    for (auto& [cookie, dispatch] : std::exchange(connections.waiting, {})) {
        try {
            const JSObjectPtr wrapper = IDispatchAPI::create(dispatch.get(), host);
            getAPI()->addEventSink(wrapper);
            connections.sinks[cookie] = wrapper;
        } catch (...) {
        }
    }
}

// The sink is forgotten even when the scripting object has gone meanwhile.
HRESULT JSAPI_IDispatchExBase::unadviseSink(DWORD cookie, SinkConnections& connections) {
    if (connections.waiting.erase(cookie) > 0) return S_OK;
    const auto found = connections.sinks.find(cookie);
    if (found == connections.sinks.end()) return E_UNEXPECTED;
    const JSObjectPtr sink = found->second;
    connections.sinks.erase(found);
    try {
        getAPI()->removeEventSink(sink);
    } catch (...) {}
    return S_OK;
}

}  // namespace FB::ActiveX
