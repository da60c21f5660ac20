// VARIANTs from the page become script values, and script values go back as VARIANTs. Each input
// builds a VARIANT of any type code with bytes for its payload (strings and arrays built with the
// platform's own functions, objects never made from bytes), reads it through the ActiveX host, writes
// the value back, and changes the VARIANT's type every way the binding asks. Nothing may crash or
// leak, and a string that comes back as text is the same text.
#include "activex/activex_browser_host.h"
#include "host/factory_base.h"
#include "scripting/utf8_tools.h"

#include <cstddef>
#include <cstdint>
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
    return 0;
}
