// Values crossing between the page's script engine and the plug-in: FB::variant to VARIANT by the
// held type, through a table of converters filled once, and VARIANT to FB::variant by its type
// code. Strings keep their whole length both ways (a BSTR may hold zeros); lists and maps become
// page arrays and objects while the page has a window, SAFEARRAYs otherwise; the plug-in's
// scripting objects go out as its COM scripting objects and page objects come in as proxies.
#include "activex/activex_browser_host.h"
#include "activex/com_variant_converters.h"
#include "activex/idispatch_api.h"
#include "host/factory_base.h"
#include "scripting/utf8_tools.h"

#include <cassert>
#include <typeindex>
#include <utility>

namespace FB::ActiveX {

namespace {

const ComVariantConverterMap& comConverterMap();

VARIANT emptyVariant() {
    VARIANT result;
    VariantInit(&result);
    return result;
}

VARIANT makeEmpty(const ActiveXBrowserHostPtr&, const variant&) { return emptyVariant(); }

VARIANT makeNull(const ActiveXBrowserHostPtr&, const variant&) {
    VARIANT result = emptyVariant();
    result.vt = VT_NULL;
    return result;
}

VARIANT makeBool(const ActiveXBrowserHostPtr&, const variant& value) {
    VARIANT result = emptyVariant();
    result.vt = VT_BOOL;
    result.boolVal = value.convertTo<bool>() ? VARIANT_TRUE : VARIANT_FALSE;
    return result;
}

VARIANT makeChar(const ActiveXBrowserHostPtr&, const variant& value) {
    VARIANT result = emptyVariant();
    result.vt = VT_I1;
    result.cVal = value.cast<char>();
    return result;
}

VARIANT makeUnsignedChar(const ActiveXBrowserHostPtr&, const variant& value) {
    VARIANT result = emptyVariant();
    result.vt = VT_UI1;
    result.bVal = value.cast<unsigned char>();
    return result;
}

VARIANT makeString(const ActiveXBrowserHostPtr&, const variant& value) {
    VARIANT result = emptyVariant();
    result.bstrVal = ScopedBstr(value.convertTo<std::wstring>()).detach();
    result.vt = VT_BSTR;
    return result;
}

VARIANT dispatchVariant(IDispatch* object) {
    VARIANT result = emptyVariant();
    if (!object) return makeNull(nullptr, variant());
    result.vt = VT_DISPATCH;
    result.pdispVal = object;
    return result;
}

// A page object goes back as itself, with one more reference for the receiver.
VARIANT pageObjectVariant(IDispatchAPI& proxy) {
    IDispatch* object = static_cast<IDispatch*>(proxy.getNativeObject());
    if (object) object->AddRef();
    return dispatchVariant(object);
}

enum class ObjectKind { Kept, Weak, PageObject };

VARIANT objectVariant(const ActiveXBrowserHostPtr& host, const JSAPIPtr& object, ObjectKind kind) {
    if (auto proxy = std::dynamic_pointer_cast<IDispatchAPI>(object)) return pageObjectVariant(*proxy);
    if (!object) return makeNull(host, variant());
    if (kind != ObjectKind::Weak) host->keepObject(object);
    if (kind == ObjectKind::PageObject) return dispatchVariant(sharedFactory()->createCOMJSObject(host, object, false));
    return dispatchVariant(host->getJSAPIWrapper(object, kind == ObjectKind::Kept));
}

VARIANT makeJSAPI(const ActiveXBrowserHostPtr& host, const variant& value) {
    return objectVariant(host, value.cast<JSAPIPtr>(), ObjectKind::Kept);
}

VARIANT makeWeakJSAPI(const ActiveXBrowserHostPtr& host, const variant& value) {
    return objectVariant(host, value.cast<JSAPIWeakPtr>().lock(), ObjectKind::Weak);
}

VARIANT makeJSObject(const ActiveXBrowserHostPtr& host, const variant& value) {
    return objectVariant(host, value.cast<JSObjectPtr>(), ObjectKind::PageObject);
}

// The page array or object filled by the plug-in, when the page made one of its own objects.
VARIANT filledPageObject(const JSObjectPtr& made) {
    auto proxy = std::dynamic_pointer_cast<IDispatchAPI>(made);
    return proxy ? pageObjectVariant(*proxy) : emptyVariant();
}

// The element's VARIANT through its converter; false for a held type without one.
bool convertElement(const ActiveXBrowserHostPtr& host, const variant& element, ScopedVariant& converted) {
    const ComVariantConverterMap& converters = comConverterMap();
    const auto found = converters.find(std::type_index(element.type()));
    if (found == converters.end()) return false;
    *converted.get() = found->second(host, element);
    return true;
}

// A one-dimensional SAFEARRAY of VARIANTs from index 0, growing by one per element appended.
class GrowingArray {
public:
    GrowingArray() : m_array(SafeArrayCreateVector(VT_VARIANT, 0, 0)) {
        if (!m_array) throw com_error(E_OUTOFMEMORY);
    }
    GrowingArray(const GrowingArray&) = delete;
    GrowingArray& operator=(const GrowingArray&) = delete;
    ~GrowingArray() { SafeArrayDestroy(m_array); }

    void append(VARIANT* element) {
        SAFEARRAYBOUND bound{m_count + 1, 0};
        throwIfFailed(SafeArrayRedim(m_array, &bound));
        LONG index = static_cast<LONG>(m_count++);
        throwIfFailed(SafeArrayPutElement(m_array, &index, element));
    }
    VARIANT release() {
        VARIANT result = emptyVariant();
        result.vt = VT_ARRAY | VT_VARIANT;
        result.parray = std::exchange(m_array, nullptr);
        return result;
    }

private:
    SAFEARRAY* m_array;
    ULONG m_count = 0;
};

VARIANT makeList(const ActiveXBrowserHostPtr& host, const variant& value) {
    const VariantList& list = value.cast<VariantList>();
    if (host->hasPageWindow()) {
        const DOM::WindowPtr window = host->windowObject();
        const JSObjectPtr array = window ? window->createArray() : nullptr;
        if (!array) return emptyVariant();
        for (const variant& element : list) array->Invoke("push", VariantList{element});
        return filledPageObject(array);
    }
    GrowingArray array;
    for (const variant& element : list) {
        ScopedVariant converted;
        if (convertElement(host, element, converted)) array.append(converted.get());
    }
    return array.release();
}

VARIANT makeMap(const ActiveXBrowserHostPtr& host, const variant& value) {
    const VariantMap& map = value.cast<VariantMap>();
    if (host->hasPageWindow()) {
        const DOM::WindowPtr window = host->windowObject();
        const JSObjectPtr object = window ? window->createMap() : nullptr;
        if (!object) return emptyVariant();
        for (const auto& [key, element] : map) object->SetProperty(key, element);
        return filledPageObject(object);
    }
    GrowingArray entries;
    for (const auto& [key, element] : map) {
        ScopedVariant converted;
        if (!convertElement(host, element, converted)) continue;
        GrowingArray pair;
        ScopedVariant name;
        *name.get() = makeString(host, variant(key));
        pair.append(name.get());
        pair.append(converted.get());
        ScopedVariant entry;
        *entry.get() = pair.release();
        entries.append(entry.get());
    }
    return entries.release();
}

template <typename... Types>
void addConverters(ComVariantConverterMap& converters, ComVariantConverter converter) {
    ((converters[std::type_index(typeid(Types))] = converter), ...);
}

// Built by the first conversion, on the browser's main thread, and never changed.
const ComVariantConverterMap& comConverterMap() {
    static const ComVariantConverterMap converters = [] {
        ComVariantConverterMap built = buildVariantConverterMap();
        addConverters<bool>(built, &makeBool);
        addConverters<char>(built, &makeChar);
        addConverters<unsigned char>(built, &makeUnsignedChar);
        addConverters<std::string, std::wstring>(built, &makeString);
        addConverters<VariantList>(built, &makeList);
        addConverters<VariantMap>(built, &makeMap);
        addConverters<JSAPIPtr>(built, &makeJSAPI);
        addConverters<JSAPIWeakPtr>(built, &makeWeakJSAPI);
        addConverters<JSObjectPtr>(built, &makeJSObject);
        addConverters<variant_detail::empty>(built, &makeEmpty);
        addConverters<variant_detail::null>(built, &makeNull);
        return built;
    }();
    return converters;
}

}  // namespace

void ActiveXBrowserHost::getComVariant(VARIANT* out, const variant& value) {
    assert(onMainThread() && "values are converted on the browser's main thread");
    ScopedVariant converted;
    convertElement(sharedActiveXHost(), value, converted);
    if (!out) return;
    throwIfFailed(VariantClear(out));
    *out = converted.release();
}

variant ActiveXBrowserHost::getVariant(const VARIANT* in) {
    assert(onMainThread() && "values are converted on the browser's main thread");
    if (!in) return variant();
    ScopedVariant changed;
    auto changeTo = [&](VARTYPE type) { return VariantChangeType(changed.get(), in, 0, type) >= 0; };
    switch (in->vt) {
        case VT_EMPTY:
            return variant();
        case VT_NULL:
            return variant(variant_detail::null());
        case VT_I2:
        case VT_I4:
        case VT_I1:
        case VT_UI1:
        case VT_UI2:
        case VT_INT:
            return changeTo(VT_I4) ? variant(long(changed.get()->lVal)) : variant();
        case VT_R4:
        case VT_R8:
        case VT_DECIMAL:
            return changeTo(VT_R8) ? variant(changed.get()->dblVal) : variant();
        case VT_UI4:
        case VT_UINT:
            return changeTo(VT_UI4) ? variant(static_cast<unsigned long>(changed.get()->ulVal)) : variant();
        case VT_I8:
            return variant(static_cast<long long>(in->llVal));
        case VT_UI8:
            return variant(static_cast<unsigned long long>(in->ullVal));
        case VT_BSTR:
            return variant(wideToUtf8(bstrText(in->bstrVal)));
        case VT_LPSTR:
        case VT_LPWSTR:
        case VT_CLSID:
            // Not VARIANT contents: no text can be read from them.
            return variant(std::string());
        case VT_BOOL:
            return variant(in->boolVal == VARIANT_TRUE);
        case VT_ERROR:
            return variant(false);
        case VT_DISPATCH:
            if (!in->pdispVal) return variant(variant_detail::null());
            return variant(JSObjectPtr(IDispatchAPI::create(in->pdispVal, sharedActiveXHost())));
        default:
            return variant();
    }
}

}  // namespace FB::ActiveX
