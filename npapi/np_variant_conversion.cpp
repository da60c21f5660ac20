// Values crossing between the page's script engine and the plug-in: FB::variant to NPVariant by
// the held type (through a table of builders filled once), NPVariant to FB::variant by its tag,
// identifiers to member names, and the page-side wrapper of each plug-in object.
#include "npapi/np_javascript_object.h"
#include "npapi/np_object_api.h"
#include "npapi/npapi_browser_host.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <stdexcept>
#include <type_traits>
#include <typeindex>

namespace FB::Npapi {

namespace {

using Builder = NPVariant (*)(NpapiBrowserHost& host, const variant& value);

NPVariant objectVariant(NPObject* object) {
    NPVariant result;
    OBJECT_TO_NPVARIANT(object, result);
    return result;
}

NPVariant nullVariant() {
    NPVariant result;
    NULL_TO_NPVARIANT(result);
    return result;
}

NPVariant makeVoid(NpapiBrowserHost&, const variant&) {
    NPVariant result;
    VOID_TO_NPVARIANT(result);
    return result;
}

NPVariant makeNull(NpapiBrowserHost&, const variant&) { return nullVariant(); }

NPVariant makeBool(NpapiBrowserHost&, const variant& value) {
    NPVariant result;
    BOOLEAN_TO_NPVARIANT(value.convertTo<bool>(), result);
    return result;
}

NPVariant makeInt32(NpapiBrowserHost&, const variant& value) {
    NPVariant result;
    INT32_TO_NPVARIANT(value.convertTo<int>(), result);
    return result;
}

NPVariant makeDouble(NpapiBrowserHost&, const variant& value) {
    NPVariant result;
    DOUBLE_TO_NPVARIANT(value.convertTo<double>(), result);
    return result;
}

// The text in browser memory, with its terminating zero; embedded zeros count in the length.
// Without browser memory the page gets an empty string rather than nothing.
NPVariant makeString(NpapiBrowserHost& host, const variant& value) {
    const std::string text = value.convertTo<std::string>();
    if (text.size() >= std::numeric_limits<uint32_t>::max()) throw std::length_error("Text too long for the page");
    NPVariant result;
    auto* bytes = static_cast<NPUTF8*>(host.MemAlloc(static_cast<uint32_t>(text.size() + 1)));
    if (!bytes) {
        STRINGN_TO_NPVARIANT(nullptr, 0, result);
        return result;
    }
    std::memcpy(bytes, text.c_str(), text.size() + 1);
    STRINGN_TO_NPVARIANT(bytes, static_cast<uint32_t>(text.size()), result);
    return result;
}

// A page object already: one more reference for the receiver.
NPVariant pageObjectVariant(NpapiBrowserHost& host, const NPObjectAPI& proxy) {
    NPObject* object = proxy.getNPObject();
    if (!object) return nullVariant();
    host.RetainObject(object);
    return objectVariant(object);
}

// The page object a filled array or map ends up as.
NPVariant filledPageObject(NpapiBrowserHost& host, const JSObjectPtr& made) {
    auto proxy = std::dynamic_pointer_cast<NPObjectAPI>(made);
    if (!proxy) return makeVoid(host, variant());
    return pageObjectVariant(host, *proxy);
}

NPVariant makeArray(NpapiBrowserHost& host, const variant& value) {
    JSObjectPtr array = host.windowObject()->createArray();
    if (!array) return makeVoid(host, value);
    for (const variant& element : value.cast<VariantList>()) array->Invoke("push", VariantList{element});
    return filledPageObject(host, array);
}

NPVariant makeMap(NpapiBrowserHost& host, const variant& value) {
    JSObjectPtr map = host.windowObject()->createMap();
    if (!map) return makeVoid(host, value);
    for (const auto& [key, element] : value.cast<VariantMap>()) map->SetProperty(key, element);
    return filledPageObject(host, map);
}

NPVariant wrapperVariant(NPJavascriptObject* wrapper) { return wrapper ? objectVariant(wrapper) : nullVariant(); }

NPVariant makeJSAPI(NpapiBrowserHost& host, const variant& value) {
    const JSAPIPtr object = value.cast<JSAPIPtr>();
    if (!object) return nullVariant();
    if (auto proxy = std::dynamic_pointer_cast<NPObjectAPI>(object)) return pageObjectVariant(host, *proxy);
    // The host keeps the object alive while the page holds its wrapper.
    host.keepObject(object);
    return wrapperVariant(host.getJSAPIWrapper(object));
}

NPVariant makeWeakJSAPI(NpapiBrowserHost& host, const variant& value) {
    const JSAPIPtr object = value.convertTo<JSAPIPtr>();
    if (!object) return nullVariant();
    if (auto proxy = std::dynamic_pointer_cast<NPObjectAPI>(object)) return pageObjectVariant(host, *proxy);
    return wrapperVariant(host.getJSAPIWrapper(value.cast<JSAPIWeakPtr>()));
}

// A page object made by the plug-in itself gets a wrapper of its own each time.
NPVariant makeJSObject(NpapiBrowserHost& host, const variant& value) {
    const JSObjectPtr object = value.cast<JSObjectPtr>();
    if (!object) return nullVariant();
    if (auto proxy = std::dynamic_pointer_cast<NPObjectAPI>(object)) return pageObjectVariant(host, *proxy);
    host.keepObject(object);
    NPObject* made = host.CreateObject();
    if (!made) return nullVariant();
    NPJavascriptObject::fromNPObject(made)->setAPI(JSAPIWeakPtr(object), host.sharedNpapiHost());
    return objectVariant(made);
}

using BuilderTable = std::map<std::type_index, Builder>;

template <typename... Types>
void addBuilders(BuilderTable& table, Builder builder) {
    ((table[std::type_index(typeid(Types))] = builder), ...);
}

// An integer reaches the page as a number only when every value of its type fits a signed 32-bit
// number; any wider or unsigned 32-bit type is sent as decimal text, whatever the platform calls it
// (long is 64 bits here).
template <typename Integer>
constexpr bool fitsInt32() {
    return std::is_signed_v<Integer> ? sizeof(Integer) <= sizeof(int32_t) : sizeof(Integer) < sizeof(int32_t);
}

template <typename... Integers>
void addIntegerBuilders(BuilderTable& table) {
    ((table[std::type_index(typeid(Integers))] = fitsInt32<Integers>() ? &makeInt32 : &makeString), ...);
}

const BuilderTable& builderTable() {
    static const BuilderTable table = [] {
        BuilderTable built;
        addBuilders<bool>(built, &makeBool);
        addIntegerBuilders<char, unsigned char, short, unsigned short, int, long, unsigned int, unsigned long,
                           long long, unsigned long long>(built);
        addBuilders<std::string, std::wstring>(built, &makeString);
        addBuilders<float, double>(built, &makeDouble);
        addBuilders<variant_detail::null>(built, &makeNull);
        addBuilders<variant_detail::empty>(built, &makeVoid);
        addBuilders<VariantList>(built, &makeArray);
        addBuilders<VariantMap>(built, &makeMap);
        addBuilders<JSAPIPtr>(built, &makeJSAPI);
        addBuilders<JSAPIWeakPtr>(built, &makeWeakJSAPI);
        addBuilders<JSObjectPtr>(built, &makeJSObject);
        return built;
    }();
    return table;
}

}  // namespace

void NpapiBrowserHost::getNPVariant(NPVariant* destination, const variant& value) {
    const BuilderTable& table = builderTable();
    auto found = table.find(std::type_index(value.type()));
    *destination = found == table.end() ? makeVoid(*this, value) : found->second(*this, value);
}

// Exactly the string's length is read: a browser string need not end in a zero. A null object is
// the script null, never a proxy of nothing.
variant NpapiBrowserHost::getVariant(const NPVariant* value) {
    switch (value->type) {
        case NPVariantType_Null:
            return variant(variant_detail::null());
        case NPVariantType_Bool:
            return variant(value->value.boolValue);
        case NPVariantType_Int32:
            return variant(static_cast<int>(value->value.intValue));
        case NPVariantType_Double:
            return variant(value->value.doubleValue);
        case NPVariantType_String: {
            const NPString& text = value->value.stringValue;
            if (!text.UTF8Characters) return variant(std::string());
            return variant(std::string(text.UTF8Characters, text.UTF8Length));
        }
        case NPVariantType_Object:
            if (!value->value.objectValue) return variant(variant_detail::null());
            return variant(JSObjectPtr(std::make_shared<NPObjectAPI>(value->value.objectValue, sharedNpapiHost())));
        default:
            return variant();
    }
}

std::string NpapiBrowserHost::StringFromIdentifier(NPIdentifier identifier) const {
    return m_module->StringFromIdentifier(identifier);
}

// One wrapper per live plug-in object. An entry found by address is taken only when it wraps this
// very object: a new object may have come to live at the address of one that died.
NPJavascriptObject* NpapiBrowserHost::getJSAPIWrapper(const JSAPIWeakPtr& api) {
    const JSAPIPtr object = api.lock();
    if (!object) {
        NPObject* made = CreateObject();
        if (!made) return nullptr;
        NPJavascriptObject* wrapper = NPJavascriptObject::fromNPObject(made);
        wrapper->setAPI(api, sharedNpapiHost());
        return wrapper;
    }
    auto found = m_cachedNPObject.find(object.get());
    if (found != m_cachedNPObject.end()) {
        const auto reference = found->second.lock();
        NPJavascriptObject* cached = reference ? reference->getPtr() : nullptr;
        const JSAPIWeakPtr& wrapped = cached ? cached->apiReference() : JSAPIWeakPtr();
        if (cached && !wrapped.owner_before(api) && !api.owner_before(wrapped) && !wrapped.expired()) {
            RetainObject(cached);
            return cached;
        }
        m_cachedNPObject.erase(found);
    }
    NPJavascriptObject* wrapper = NPJavascriptObject::NewObject(sharedNpapiHost(), api, true);
    if (wrapper) m_cachedNPObject[object.get()] = wrapper->weakReference();
    return wrapper;
}

}  // namespace FB::Npapi
