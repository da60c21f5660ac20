#include "activex/idispatch_api.h"

#include "activex/dispatch_name_map.h"
#include "activex/jsapi_idispatch_ex_base.h"
#include "activex/plugin_interfaces.h"
#include "scripting/script_error.h"
#include "scripting/utf8_tools.h"

#include <set>

namespace FB::ActiveX {

namespace {

// Ensure the member exists, match its case; the high bit as the browser's own callers pass it.
constexpr DWORD kDispIdFlags = 0x10000003;

ComPtr<IDispatchEx> dispatchExOf(IDispatch* object) {
    return ComPtr<IDispatch>(object).query<IDispatchEx>(IID_IDispatchEx);
}

// Through IDispatchEx when the object has it, IDispatch otherwise.
HRESULT callDispatch(IDispatch* object, DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result,
                     EXCEPINFO* exception) {
    if (const ComPtr<IDispatchEx> extended = dispatchExOf(object)) {
        return extended->InvokeEx(id, LOCALE_USER_DEFAULT, flags, &params, result, exception, nullptr);
    }
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, exception, nullptr);
}

std::string indexText(int index) { return variant(index).convertTo<std::string>(); }

// The parameter block of a call on `self`: the object itself as the named this-value at position
// 0, then the arguments last-first, as COM orders them.
struct CallParameters {
    CallParameters(ActiveXBrowserHost& host, IDispatch* self, const VariantList& args) : values(args.size() + 1) {
        const size_t count = args.size();
        for (size_t i = 0; i < count; ++i) host.getComVariant(&values[count - i], args[i]);
        self->AddRef();
        values[0].vt = VT_DISPATCH;
        values[0].pdispVal = self;
        params = DISPPARAMS{values.data(), &thisId, static_cast<UINT>(count + 1), 1};
    }

    VariantArray values;
    DISPID thisId = DISPID_THIS;
    DISPPARAMS params{};
};

}  // namespace

IDispatchAPIPtr IDispatchAPI::create(IDispatch* object, const ActiveXBrowserHostPtr& host) {
    return IDispatchAPIPtr(new IDispatchAPI(object, host));
}

IDispatchAPI::IDispatchAPI(IDispatch* object, const ActiveXBrowserHostPtr& host)
    : JSObject(host), hostRef(host), dispatchRef(host->getIDispatchRef(object)) {
    if (JSAPIPtr plugin = findScriptingObject()) {
        wrapsPluginObject = true;
        pluginObjectRef = plugin;
    }
}

IDispatchAPI::~IDispatchAPI() {
    DispatchWeakReference reference;
    {
        std::lock_guard<std::mutex> guard(dispatchRefLock);
        reference.swap(dispatchRef);
    }
    if (ActiveXBrowserHostPtr host = hostRef.lock(); host && !reference.expired()) {
        try {
            host->deferReleaseIDispatch(reference);
        } catch (...) {}
    }
}

void IDispatchAPI::invalidate() {
    DispatchWeakReference reference;
    {
        std::lock_guard<std::mutex> guard(dispatchRefLock);
        reference.swap(dispatchRef);
    }
    // Nothing can use the page object through this proxy any more: the host need not keep it.
    if (ActiveXBrowserHostPtr host = hostRef.lock(); host && !reference.expired())
        host->deferReleaseIDispatch(reference);
}

DispatchReference IDispatchAPI::dispatchReference() const {
    std::lock_guard<std::mutex> guard(dispatchRefLock);
    return dispatchRef.lock();
}

bool IDispatchAPI::isValid() { return !hostRef.expired() && dispatchReference() != nullptr; }

void* IDispatchAPI::getNativeObject() {
    const DispatchReference reference = dispatchReference();
    return reference ? reference->getPtr() : nullptr;
}

void* IDispatchAPI::getHostContext() {
    const ActiveXBrowserHostPtr host = hostRef.lock();
    return host ? host->getBrowserContext() : nullptr;
}

IDispatch* IDispatchAPI::getIDispatch() const { return DispatchReference(dispatchRef)->getPtr(); }

ActiveXBrowserHostPtr IDispatchAPI::getHost() const {
    ActiveXBrowserHostPtr host = hostRef.lock();
    if (!host) throw described_bad_cast("BrowserHost has shut down");
    return host;
}

IDispatchAPIPtr IDispatchAPI::sharedSelf() const {
    return std::static_pointer_cast<IDispatchAPI>(std::const_pointer_cast<JSAPI>(shared_from_this()));
}

JSAPIPtr IDispatchAPI::scriptingObject() {
    if (!wrapsPluginObject || !isValid()) return nullptr;
    return pluginObjectRef.lock();
}

// Only an object that answers the plug-in's own interface, and is no page element (the browser
// answers for the control's element too), is cast to the plug-in's class.
JSAPIPtr IDispatchAPI::findScriptingObject() const {
    const DispatchReference reference = dispatchReference();
    if (!reference || hostRef.expired()) return nullptr;
    IDispatch* object = reference->getPtr();
    ComPtr<IUnknown> plugin, element;
    if (object->QueryInterface(IID_IPluginObject, reinterpret_cast<void**>(plugin.put())) < 0) plugin.reset();
    if (object->QueryInterface(IID_IHTMLElement, reinterpret_cast<void**>(element.put())) < 0) element.reset();
    if (!plugin || element) return nullptr;
    auto* own = dynamic_cast<JSAPI_IDispatchExBase*>(object);
    try {
        return own ? own->getAPI() : nullptr;
    } catch (const std::exception&) {
        return nullptr;
    }
}

template <typename R, typename Body>
R IDispatchAPI::onBrowserThread(R invalid, Body body) const {
    const ActiveXBrowserHostPtr host = hostRef.lock();
    if (!host || !dispatchReference()) return invalid;
    if (!host->onMainThread()) {
        const IDispatchAPIPtr self = sharedSelf();
        return host->runOnMainThread([self, invalid, body]() -> R { return self->onBrowserThread(invalid, body); });
    }
    return body(*host);
}

template <typename R, typename ForPlugin, typename ForPage>
R IDispatchAPI::perform(R invalid, R gone, ForPlugin forPlugin, ForPage forPage) {
    return onBrowserThread(invalid, [=, this](ActiveXBrowserHost& host) -> R {
        if (!wrapsPluginObject) return forPage(host);
        const JSAPIPtr api = pluginObjectRef.lock();
        return api ? forPlugin(*api) : gone;
    });
}

long IDispatchAPI::getIDForName(const std::wstring& name) const {
    return onBrowserThread(-1L, [this, &name](ActiveXBrowserHost&) { return idForNameHere(name); });
}

long IDispatchAPI::idForNameHere(const std::wstring& name) const {
    if (name.empty()) return DISPID_VALUE;
    const ComPtr<IDispatch> object(getIDispatch());
    DISPID id = DISPID_UNKNOWN;
    HRESULT result = E_FAIL;
    if (const ComPtr<IDispatchEx> extended = dispatchExOf(object.get())) {
        const ScopedBstr text(name);
        result = extended->GetDispID(text.get(), kDispIdFlags, &id);
    } else {
        std::wstring copy = name;
        LPOLESTR names[] = {copy.data()};
        result = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
    }
    if (result >= 0) return id;
    if (result == E_NOTIMPL) return dispatchNameMap.getIdForValue(variant(name));
    return DISPID_UNKNOWN;
}

variant IDispatchAPI::callHere(ActiveXBrowserHost& host, long id, WORD flags, const VariantList& args) {
    const ComPtr<IDispatch> object(getIDispatch());
    CallParameters call(host, object.get(), args);
    ScopedVariant result;
    ScopedExcepInfo exception;  // its texts are never the message: they are only freed
    if (callDispatch(object.get(), id, flags, call.params, result.get(), exception.get()) < 0) {
        throw script_error("Method invoke failed");
    }
    return host.getVariant(result.get());
}

variant IDispatchAPI::Invoke(const std::string& name, const VariantList& args) {
    return onBrowserThread(variant(), [&](ActiveXBrowserHost& host) {
        const long id = idForNameHere(utf8ToWide(name));
        if (id == DISPID_UNKNOWN) throw script_error("Method invoke failed");
        return callHere(host, id, DISPATCH_METHOD, args);
    });
}

variant IDispatchAPI::Construct(const VariantList& args) {
    return onBrowserThread(variant(), [&](ActiveXBrowserHost& host) {
        const long id = idForNameHere(std::wstring());
        if (id == DISPID_UNKNOWN) throw script_error("Constructor invoke failed");
        return callHere(host, id, DISPATCH_CONSTRUCT, args);
    });
}

// A property get with no arguments; every failure is "Could not get property".
variant IDispatchAPI::getHere(ActiveXBrowserHost& host, const std::string& name) {
    try {
        const long id = idForNameHere(utf8ToWide(name));
        if (id == DISPID_UNKNOWN && name != "toString") throw script_error("Could not get property");
        const ComPtr<IDispatch> object(getIDispatch());
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        ScopedVariant result;
        ScopedExcepInfo exception;
        if (callDispatch(object.get(), id, DISPATCH_PROPERTYGET, none, result.get(), exception.get()) < 0) {
            throw script_error("Could not get property");
        }
        return host.getVariant(result.get());
    } catch (...) {
        throw script_error("Could not get property");
    }
}

variant IDispatchAPI::GetProperty(const std::string& name) {
    return perform(
        variant(), variant(false), [&](JSAPI& api) { return api.GetProperty(name); },
        [&](ActiveXBrowserHost& host) { return getHere(host, name); });
}

variant IDispatchAPI::GetProperty(int index) { return GetProperty(indexText(index)); }

void IDispatchAPI::setHere(ActiveXBrowserHost& host, const std::string& name, const variant& value) {
    const long id = idForNameHere(utf8ToWide(name));
    if (id == DISPID_UNKNOWN) throw script_error("Could not set property");
    const ComPtr<IDispatch> object(getIDispatch());
    VariantArray values(1);
    host.getComVariant(&values[0], value);
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{values.data(), &putId, 1, 1};
    ScopedVariant result;
    ScopedExcepInfo exception;
    HRESULT outcome = E_FAIL;
    if (const ComPtr<IDispatchEx> extended = dispatchExOf(object.get())) {
        outcome = extended->InvokeEx(id, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUTREF, &params, result.get(),
                                     exception.get(), nullptr);
        if (outcome == DISP_E_MEMBERNOTFOUND) {
            outcome = extended->InvokeEx(id, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                                         exception.get(), nullptr);
        }
    } else {
        outcome = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, result.get(),
                                 exception.get(), nullptr);
    }
    if (outcome < 0) throw script_error("Could not set property");
}

void IDispatchAPI::SetProperty(const std::string& name, const variant& value) {
    perform(
        false, false, [&](JSAPI& api) { return api.SetProperty(name, value), true; },
        [&](ActiveXBrowserHost& host) { return setHere(host, name, value), true; });
}

void IDispatchAPI::SetProperty(int index, const variant& value) {
    if (const JSAPIPtr api = wrapsPluginObject ? pluginObjectRef.lock() : nullptr) api->SetProperty(index, value);
    SetProperty(indexText(index), value);
}

void IDispatchAPI::RemoveProperty(const std::string& name) {
    perform(
        false, false, [&](JSAPI& api) { return api.RemoveProperty(name), true; },
        [&](ActiveXBrowserHost&) {
            const long id = idForNameHere(utf8ToWide(name));
            if (id == DISPID_UNKNOWN) return true;
            const ComPtr<IDispatchEx> extended = dispatchExOf(getIDispatch());
            if (!extended) throw script_error("Could not remove property");
            extended->DeleteMemberByDispID(id);
            return true;
        });
}

void IDispatchAPI::RemoveProperty(int index) {
    if (const JSAPIPtr api = wrapsPluginObject ? pluginObjectRef.lock() : nullptr) api->RemoveProperty(index);
    RemoveProperty(indexText(index));
}

bool IDispatchAPI::HasMethod(const std::string& name) {
    return perform(
        false, false, [&](JSAPI& api) { return api.HasMethod(name); },
        [&](ActiveXBrowserHost&) { return idForNameHere(utf8ToWide(name)) != DISPID_UNKNOWN && !HasProperty(name); });
}

bool IDispatchAPI::HasMethod(const std::wstring& name) { return getIDForName(name) != DISPID_UNKNOWN; }

bool IDispatchAPI::HasProperty(const std::string& name) {
    return perform(
        false, false, [&](JSAPI& api) { return api.HasProperty(name); },
        [&](ActiveXBrowserHost& host) {
            if (idForNameHere(utf8ToWide(name)) == DISPID_UNKNOWN && name != "toString") return false;
            try {
                getHere(host, name);
                return true;
            } catch (const std::exception&) {
                return false;
            }
        });
}

bool IDispatchAPI::HasProperty(int index) { return getIDForName(utf8ToWide(indexText(index))) != DISPID_UNKNOWN; }

// Walks the object's members from the start with GetNextDispID and visits each one with a
// non-negative DISPID. The walk stops at the end, at any failure, at an id met before (an object
// that cycles) and at an exception; answers how many members it visited.
size_t IDispatchAPI::walkMembers(const std::function<void(DISPID)>& visit) const {
    const ComPtr<IDispatchEx> extended = dispatchExOf(getIDispatch());
    size_t count = 0;
    std::set<DISPID> seen;
    try {
        DISPID id = DISPID_STARTENUM;
        DISPID next = DISPID_UNKNOWN;
        while (extended->GetNextDispID(fdexEnumAll, id, &next) == S_OK && seen.insert(next).second) {
            id = next;
            if (id < 0) continue;
            ++count;
            visit(id);
        }
    } catch (...) {}
    return count;
}

size_t IDispatchAPI::countMembers() {
    return perform(
        size_t(0), size_t(0), [](JSAPI& api) { return api.countMembers(); },
        [this](ActiveXBrowserHost&) -> size_t {
            if (!dispatchExOf(getIDispatch())) return 0;
            return walkMembers([](DISPID) {});
        });
}

void IDispatchAPI::listMemberNames(std::vector<std::string>& names) {
    std::vector<std::string>* into = &names;
    perform(
        false, false, [into](JSAPI& api) { return api.listMemberNames(*into), true; },
        [this, into](ActiveXBrowserHost&) {
            const ComPtr<IDispatchEx> extended = dispatchExOf(getIDispatch());
            if (!extended) throw script_error("Cannot enumerate members; IDispatchEx not supported");
            walkMembers([&](DISPID id) {
                ScopedBstr name;
                if (extended->GetMemberName(id, name.put()) >= 0) into->push_back(wideToUtf8(bstrText(name.get())));
            });
            return true;
        });
}

void IDispatchAPI::callHandlers(const std::string& eventName, const VariantList& args,
                                const std::vector<JSObjectPtr>& handlers, const std::vector<JSObjectPtr>& sinks) {
    const ActiveXBrowserHostPtr host = hostRef.lock();
    if (!host || !dispatchReference()) throw script_error("Error calling handlers");
    if (!host->onMainThread()) {
        const IDispatchAPIPtr self = sharedSelf();
        host->queueOnMainThread(self, [self, eventName, args, handlers, sinks] {
            if (const ActiveXBrowserHostPtr mainHost = self->hostRef.lock())
                self->callHandlersHere(*mainHost, eventName, args, handlers, sinks);
        });
        return;
    }
    callHandlersHere(*host, eventName, args, handlers, sinks);
}

// One parameter block serves every call; what the page answers is not looked at, and one failing
// handler does not keep the event from the others.
void IDispatchAPI::callHandlersHere(ActiveXBrowserHost& host, const std::string& eventName, const VariantList& args,
                                    const std::vector<JSObjectPtr>& handlers, const std::vector<JSObjectPtr>& sinks) {
    const DispatchReference self = dispatchReference();
    if (!self) return;
    CallParameters call(host, self->getPtr(), args);
    auto callMember = [&](const JSObjectPtr& target, const std::wstring& member) {
        auto proxy = std::dynamic_pointer_cast<IDispatchAPI>(target);
        const DispatchReference reference = proxy ? proxy->dispatchReference() : nullptr;
        if (!reference) return;
        const long id = proxy->idForNameHere(member);
        if (id == DISPID_UNKNOWN) return;
        const ComPtr<IDispatch> object(reference->getPtr());
        ScopedVariant result;
        ScopedExcepInfo exception;
        callDispatch(object.get(), id, DISPATCH_METHOD, call.params, result.get(), exception.get());
    };
    for (const JSObjectPtr& handler : handlers) {
        try {
            callMember(handler, std::wstring());
        } catch (const std::exception&) {}
    }
    const std::wstring member = utf8ToWide(eventName);
    for (const JSObjectPtr& sink : sinks) {
        try {
            callMember(sink, member);
        } catch (const std::exception&) {}
    }
}

}  // namespace FB::ActiveX
