#include "npapi/np_javascript_object.h"

#include "npapi/np_builtin_functions.h"
#include "npapi/scoped_np_variant.h"
#include "scripting/script_error.h"

#include <array>
#include <limits>
#include <string_view>
#include <typeinfo>

namespace FB::Npapi {

namespace {

constexpr std::string_view kAddEventListener = "addEventListener";
constexpr std::string_view kRemoveEventListener = "removeEventListener";
constexpr std::string_view kGetLastException = "getLastException";
constexpr std::array<std::string_view, 3> kBuiltinNames{kAddEventListener, kRemoveEventListener, kGetLastException};

bool isBuiltinName(const std::string& name) {
    for (std::string_view builtin : kBuiltinNames) {
        if (name == builtin) return true;
    }
    return false;
}

// The class-table entries: each finds its wrapper and runs the member of the same role.
NPJavascriptObject* wrapperOf(NPObject* object) { return object ? NPJavascriptObject::fromNPObject(object) : nullptr; }

NPObject* allocate(NPP npp, NPClass*) { return new NPJavascriptObject(npp); }
void deallocate(NPObject* object) { delete wrapperOf(object); }
void invalidate(NPObject* object) {
    if (NPJavascriptObject* wrapper = wrapperOf(object)) wrapper->Invalidate();
}
bool hasMethod(NPObject* object, NPIdentifier name) {
    NPJavascriptObject* wrapper = wrapperOf(object);
    return wrapper && wrapper->HasMethod(name);
}
bool invoke(NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t argCount, NPVariant* result) {
    NPJavascriptObject* wrapper = wrapperOf(object);
    return wrapper && wrapper->Invoke(name, args, argCount, result);
}
bool invokeDefault(NPObject* object, const NPVariant* args, uint32_t argCount, NPVariant* result) {
    NPJavascriptObject* wrapper = wrapperOf(object);
    return wrapper && wrapper->InvokeDefault(args, argCount, result);
}
bool hasProperty(NPObject* object, NPIdentifier name) {
    NPJavascriptObject* wrapper = wrapperOf(object);
    return wrapper && wrapper->HasProperty(name);
}
bool getProperty(NPObject* object, NPIdentifier name, NPVariant* result) {
    NPJavascriptObject* wrapper = wrapperOf(object);
    return wrapper && wrapper->GetProperty(name, result);
}
bool setProperty(NPObject* object, NPIdentifier name, const NPVariant* value) {
    NPJavascriptObject* wrapper = wrapperOf(object);
    return wrapper && wrapper->SetProperty(name, value);
}
bool removeProperty(NPObject* object, NPIdentifier name) {
    NPJavascriptObject* wrapper = wrapperOf(object);
    return wrapper && wrapper->RemoveProperty(name);
}
bool enumerate(NPObject* object, NPIdentifier** identifiers, uint32_t* count) {
    NPJavascriptObject* wrapper = wrapperOf(object);
    return wrapper && wrapper->Enumerate(identifiers, count);
}
bool construct(NPObject* object, const NPVariant* args, uint32_t argCount, NPVariant* result) {
    NPJavascriptObject* wrapper = wrapperOf(object);
    return wrapper && wrapper->Construct(args, argCount, result);
}

}  // namespace

NPClass NPJavascriptObject::NPJavascriptObjectClass = {NP_CLASS_STRUCT_VERSION,
                                                       &allocate,
                                                       &deallocate,
                                                       &invalidate,
                                                       &hasMethod,
                                                       &invoke,
                                                       &invokeDefault,
                                                       &hasProperty,
                                                       &getProperty,
                                                       &setProperty,
                                                       &removeProperty,
                                                       &enumerate,
                                                       &construct};

NPJavascriptObject::NPJavascriptObject(NPP)
    : NPObject{}, m_selfRef(std::make_shared<ShareableReference<NPJavascriptObject>>(this)) {}

// Ends the hold the host took on the wrapped object when it was sent to the page.
NPJavascriptObject::~NPJavascriptObject() {
    if (!m_autoRelease) return;
    try {
        NpapiBrowserHostPtr host = m_hostRef.lock();
        JSAPIPtr api = m_apiRef.lock();
        if (host && api) host->dropObject(api);
    } catch (...) {}
}

NPJavascriptObject* NPJavascriptObject::NewObject(const NpapiBrowserHostPtr& host, const JSAPIWeakPtr& api,
                                                  bool autoRelease) {
    NPObject* object = host->CreateObject();
    if (!object) return nullptr;
    NPJavascriptObject* wrapper = fromNPObject(object);
    wrapper->setAPI(api, host);
    wrapper->setAutoRelease(autoRelease);
    return wrapper;
}

void NPJavascriptObject::setAPI(const JSAPIWeakPtr& api, const NpapiBrowserHostPtr& host) {
    m_apiRef = api;
    m_hostRef = host;
}

JSAPIPtr NPJavascriptObject::getAPI() const {
    JSAPIPtr api = m_apiRef.lock();
    if (!api) throw std::bad_cast();
    return api;
}

NpapiBrowserHostPtr NPJavascriptObject::getHost() {
    NpapiBrowserHostPtr host = m_hostRef.lock();
    if (!host) {
        Invalidate();
        throw std::bad_cast();
    }
    return host;
}

bool NPJavascriptObject::isLive() const { return m_valid && !m_apiRef.expired() && !m_hostRef.expired(); }

variant& NPJavascriptObject::lastException() {
    static variant message;
    return message;
}

void NPJavascriptObject::Invalidate() {
    m_valid = false;
    try {
        if (JSAPIPtr api = m_apiRef.lock()) api->invalidate();
    } catch (...) {}
}

void NPJavascriptObject::reportScriptError(const std::string& message) {
    if (NpapiBrowserHostPtr host = m_hostRef.lock()) host->SetException(this, message.c_str());
    lastException() = variant(message);
}

template <typename Body>
bool NPJavascriptObject::guarded(Body body) {
    try {
        if (!isLive()) return false;
        body();
        return true;
    } catch (const std::bad_cast&) {
        return false;
    } catch (const script_error& e) {
        reportScriptError(e.what());
    } catch (const std::bad_alloc&) {
    } catch (const std::exception& e) {
        reportScriptError(e.what());
    } catch (...) {}
    return false;
}

bool NPJavascriptObject::isStringIdentifier(NpapiBrowserHost& host, NPIdentifier name) const {
    return host.IdentifierIsString(name);
}

bool NPJavascriptObject::hasMethodNamed(const JSAPIPtr& api, const std::string& name) const {
    if (name == "toString") return true;
    if (api->canFetchMethod(name)) return false;
    return api->HasMethod(name);
}

VariantList NPJavascriptObject::argumentList(NpapiBrowserHost& host, const NPVariant* args, uint32_t argCount) const {
    VariantList list;
    if (!args) return list;
    list.reserve(argCount);
    for (uint32_t i = 0; i < argCount; ++i) list.push_back(host.getVariant(&args[i]));
    return list;
}

JSAPIPtr NPJavascriptObject::builtinFunction(const std::string& name) {
    if (name == kAddEventListener) {
        if (!m_addEventListener) m_addEventListener = std::make_shared<NPO_addEventListener>(m_selfRef);
        return m_addEventListener;
    }
    if (name == kRemoveEventListener) {
        if (!m_removeEventListener) m_removeEventListener = std::make_shared<NPO_removeEventListener>(m_selfRef);
        return m_removeEventListener;
    }
    if (name == kGetLastException) {
        if (!m_getLastException) m_getLastException = std::make_shared<NPO_getLastException>(m_selfRef);
        return m_getLastException;
    }
    return nullptr;
}

bool NPJavascriptObject::HasMethod(NPIdentifier name) {
    bool answer = false;
    const bool ran = guarded([&] {
        NpapiBrowserHostPtr host = getHost();
        answer = hasMethodNamed(getAPI(), host->StringFromIdentifier(name));
    });
    return ran && answer;
}

bool NPJavascriptObject::Invoke(NPIdentifier name, const NPVariant* args, uint32_t argCount, NPVariant* result) {
    if (result) VOID_TO_NPVARIANT(*result);
    return guarded([&] {
        NpapiBrowserHostPtr host = getHost();
        const std::string method = name ? host->StringFromIdentifier(name) : std::string();
        const variant value = getAPI()->Invoke(method, argumentList(*host, args, argCount));
        if (result) host->getNPVariant(result, value);
    });
}

bool NPJavascriptObject::InvokeDefault(const NPVariant* args, uint32_t argCount, NPVariant* result) {
    return Invoke(nullptr, args, argCount, result);
}

bool NPJavascriptObject::HasProperty(NPIdentifier name) {
    bool answer = false;
    const bool ran = guarded([&] {
        NpapiBrowserHostPtr host = getHost();
        JSAPIPtr api = getAPI();
        if (!isStringIdentifier(*host, name)) {
            answer = api->HasProperty(static_cast<int>(host->IntFromIdentifier(name)));
            return;
        }
        const std::string property = host->StringFromIdentifier(name);
        if (isBuiltinName(property)) {
            answer = true;
        } else if (property == "toString") {
            answer = false;
        } else if (api->canFetchMethod(property)) {
            answer = true;
        } else if (hasMethodNamed(api, property)) {
            answer = false;
        } else {
            answer = api->HasProperty(property);
        }
    });
    return ran && answer;
}

bool NPJavascriptObject::GetProperty(NPIdentifier name, NPVariant* result) {
    if (result) VOID_TO_NPVARIANT(*result);
    return guarded([&] {
        NpapiBrowserHostPtr host = getHost();
        JSAPIPtr api = getAPI();
        variant value;
        if (!isStringIdentifier(*host, name)) {
            value = api->GetProperty(static_cast<int>(host->IntFromIdentifier(name)));
        } else {
            const std::string property = host->StringFromIdentifier(name);
            if (JSAPIPtr builtin = builtinFunction(property)) {
                value = variant(builtin);
            } else if (api->canFetchMethod(property)) {
                value = variant(api->fetchMethodObject(property));
            } else {
                value = api->GetProperty(property);
            }
        }
        if (result) host->getNPVariant(result, value);
    });
}

bool NPJavascriptObject::SetProperty(NPIdentifier name, const NPVariant* value) {
    return guarded([&] {
        NpapiBrowserHostPtr host = getHost();
        JSAPIPtr api = getAPI();
        const variant converted = value ? host->getVariant(value) : variant();
        if (!isStringIdentifier(*host, name)) {
            api->SetProperty(static_cast<int>(host->IntFromIdentifier(name)), converted);
            return;
        }
        const std::string property = host->StringFromIdentifier(name);
        if (api->canFetchMethod(property)) throw script_error("This property cannot be changed");
        api->SetProperty(property, converted);
    });
}

bool NPJavascriptObject::RemoveProperty(NPIdentifier name) {
    return guarded([&] {
        NpapiBrowserHostPtr host = getHost();
        JSAPIPtr api = getAPI();
        if (isStringIdentifier(*host, name)) {
            api->RemoveProperty(host->StringFromIdentifier(name));
        } else {
            api->RemoveProperty(static_cast<int>(host->IntFromIdentifier(name)));
        }
    });
}

// The browser owns the array it is handed; nothing is written when it gives no memory for it.
bool NPJavascriptObject::Enumerate(NPIdentifier** identifiers, uint32_t* count) {
    if (!identifiers || !count) return false;
    bool filled = false;
    const bool ran = guarded([&] {
        NpapiBrowserHostPtr host = getHost();
        std::vector<std::string> names;
        getAPI()->listMemberNames(names);
        for (std::string_view builtin : kBuiltinNames) names.emplace_back(builtin);
        if (names.size() > std::numeric_limits<uint32_t>::max() / sizeof(NPIdentifier)) return;
        const auto total = static_cast<uint32_t>(names.size());
        auto* array = static_cast<NPIdentifier*>(host->MemAlloc(total * uint32_t(sizeof(NPIdentifier))));
        if (!array) return;
        for (uint32_t i = 0; i < total; ++i) array[i] = host->GetStringIdentifier(names[i].c_str());
        *identifiers = array;
        *count = total;
        filled = true;
    });
    return ran && filled;
}

bool NPJavascriptObject::Construct(const NPVariant* args, uint32_t argCount, NPVariant* result) {
    if (result) VOID_TO_NPVARIANT(*result);
    return guarded([&] {
        NpapiBrowserHostPtr host = getHost();
        const variant value = getAPI()->Construct(argumentList(*host, args, argCount));
        if (result) host->getNPVariant(result, value);
    });
}

}  // namespace FB::Npapi
