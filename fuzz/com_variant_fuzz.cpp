// VARIANTs from the page become script values, and script values go back as VARIANTs. Each input
// builds a VARIANT of any type code with bytes for its payload (strings and arrays built with the
// platform's own functions, objects never made from bytes), reads it through the ActiveX host, writes
// the value back, and changes the VARIANT's type every way the binding asks. The same bytes also
// make a script value of nested lists and maps, which the host (knowing no page) writes as
// SAFEARRAYs: one element per list element, one (key, value) pair per map entry. Nothing may crash
// or leak, and a string that comes back as text is the same text.
#include "activex/activex_browser_host.h"
#include "host/factory_base.h"
#include "scripting/utf8_tools.h"

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

// The factory the host asks for COM scripting objects; none is made from fuzz input.
namespace {

class NoPluginFactory : public FB::FactoryBase {
public:
    std::shared_ptr<FB::PluginCore> makePluginObject(const std::string&) override { return nullptr; }
};

}  // namespace

FB::FactoryBasePtr sharedFactory() {
    static const auto factory = std::make_shared<NoPluginFactory>();
    return factory;
}

namespace {

using FB::ActiveX::ScopedVariant;

// A VARIANT of the input's type code whose payload is the input's next bytes.
void buildVariant(const uint8_t* data, size_t size, VARIANT& value) {
    value = VARIANT{};
    if (size < 2) return;
    const VARTYPE type = static_cast<VARTYPE>(data[0] | (data[1] << 8));
    data += 2;
    size -= 2;
    if (type == VT_BSTR) {
        std::wstring text;
        for (size_t i = 0; i + 3 < size; i += 4) {
            uint32_t unit = 0;
            std::memcpy(&unit, data + i, 4);
            text.push_back(static_cast<wchar_t>(unit));
        }
        value.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        value.vt = VT_BSTR;
        return;
    }
    if (type == (VT_ARRAY | VT_VARIANT)) {
        value.parray = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(size % 8));
        value.vt = value.parray ? type : VT_EMPTY;
        return;
    }
    // Objects, references and strings are never made of raw bytes: their pointers would be garbage.
    const VARTYPE base = type & VT_TYPEMASK;
    if ((type & (VT_ARRAY | VT_BYREF)) || base == VT_DISPATCH || base == VT_UNKNOWN || base == VT_BSTR) {
        value.vt = VT_NULL;
        return;
    }
    std::memcpy(&value, data, size < sizeof(VARIANT) ? size : sizeof(VARIANT));
    value.vt = type;
}

// A script value read from the bytes: numbers, texts, truth values, nothing, and lists and maps of
// them nested a few levels deep.
struct ValueReader {
    const uint8_t* data;
    size_t size;

    uint8_t byte() {
        if (!size) return 0;
        --size;
        return *data++;
    }
    std::string text() {
        const size_t length = std::min<size_t>(byte() % 8, size);
        std::string result(reinterpret_cast<const char*>(data), length);
        data += length;
        size -= length;
        return result;
    }
    FB::variant value(int depth) {
        const uint8_t kind = byte();
        switch (kind % 8) {
            case 0: return FB::variant(static_cast<int>(static_cast<int8_t>(byte())));
            case 1: return FB::variant(byte() / 4.0);
            case 2: return FB::variant(text());
            case 3: return FB::variant(FB::utf8ToWide(text()));
            case 4: {
                FB::VariantList list;
                const int count = depth < 3 ? byte() % 5 : 0;
                for (int i = 0; i < count; ++i) list.push_back(value(depth + 1));
                return FB::variant(list);
            }
            case 5: {
                FB::VariantMap map;
                const int count = depth < 3 ? byte() % 5 : 0;
                for (int i = 0; i < count; ++i) map[text()] = value(depth + 1);
                return FB::variant(map);
            }
            case 6: return FB::variant((kind & 0x80) != 0);
            default: return kind & 0x80 ? FB::variant(FB::variant_detail::null()) : FB::variant();
        }
    }
};

size_t arrayLength(SAFEARRAY* array) {
    LONG lower = 0, upper = -1;
    if (SafeArrayGetLBound(array, 1, &lower) < 0 || SafeArrayGetUBound(array, 1, &upper) < 0) __builtin_trap();
    return static_cast<size_t>(upper - lower + 1);
}

// The VARIANT has the shape of the value: each list and map an array of as many elements, each
// map entry a two-element array.
void checkShape(const FB::variant& value, const VARIANT& written) {
    if (value.type() == typeid(FB::VariantList)) {
        const auto& list = value.cast<FB::VariantList>();
        if (written.vt != (VT_ARRAY | VT_VARIANT) || arrayLength(written.parray) != list.size()) __builtin_trap();
        for (LONG i = 0; i < static_cast<LONG>(list.size()); ++i) {
            ScopedVariant element;
            if (SafeArrayGetElement(written.parray, &i, element.get()) < 0) __builtin_trap();
            checkShape(list[i], *element.get());
        }
    } else if (value.type() == typeid(FB::VariantMap)) {
        const auto& map = value.cast<FB::VariantMap>();
        if (written.vt != (VT_ARRAY | VT_VARIANT) || arrayLength(written.parray) != map.size()) __builtin_trap();
        LONG i = 0;
        for (const auto& entry : map) {
            ScopedVariant pair;
            if (SafeArrayGetElement(written.parray, &i, pair.get()) < 0) __builtin_trap();
            if (pair.get()->vt != (VT_ARRAY | VT_VARIANT) || arrayLength(pair.get()->parray) != 2) __builtin_trap();
            LONG second = 1;
            ScopedVariant element;
            if (SafeArrayGetElement(pair.get()->parray, &second, element.get()) < 0) __builtin_trap();
            checkShape(entry.second, *element.get());
            ++i;
        }
    } else if (value.type() == typeid(std::string) && written.vt != VT_BSTR) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Made once and never destroyed: at exit the window system it uses is already gone.
    static const auto& host = *new std::shared_ptr<FB::ActiveX::ActiveXBrowserHost>(
        std::make_shared<FB::ActiveX::ActiveXBrowserHost>(nullptr, nullptr));
    ScopedVariant in;
    buildVariant(data, size, *in.get());
    const FB::variant value = host->getVariant(in.get());
    ScopedVariant out;
    try {
        host->getComVariant(out.get(), value);
    } catch (const std::exception&) {}
    if (in.get()->vt == VT_BSTR && out.get()->vt == VT_BSTR) {
        const std::wstring before = FB::ActiveX::bstrText(in.get()->bstrVal);
        // Text that is valid Unicode comes back unchanged.
        if (FB::utf8ToWide(FB::wideToUtf8(before)) == before && FB::ActiveX::bstrText(out.get()->bstrVal) != before)
            __builtin_trap();
    }
    for (VARTYPE target : {VT_I4, VT_UI4, VT_R8, VT_BOOL, VT_BSTR, VT_I8, VT_UI1, VT_R4}) {
        ScopedVariant changed;
        VariantChangeType(changed.get(), in.get(), 0, target);
    }
    ScopedVariant copy;
    VariantCopy(copy.get(), in.get());

    ValueReader reader{data, size};
    const FB::variant tree = reader.value(0);
    ScopedVariant written;
    host->getComVariant(written.get(), tree);
    checkShape(tree, *written.get());
    host->getVariant(written.get());
    return 0;
}
