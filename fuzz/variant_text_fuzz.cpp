// Script values from the page arrive as text and are read as numbers and truth values; wide text
// goes through the UTF-8 conversion first.
#include "scripting/utf8_tools.h"
#include "scripting/variant.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace {

// Reads the text as Number. An integer that was read writes back as text that reads as the same
// integer (an exception escaping here is a finding too).
template <typename Number>
void ReadNumber(const FB::variant& text) {
    Number number;
    try {
        number = text.convertTo<Number>();
    } catch (const FB::bad_variant_cast&) {
        return;
    }
    const std::string written = FB::variant(number).convertTo<std::string>();
    if constexpr (std::is_integral_v<Number>) {
        if (FB::variant(written).convertTo<Number>() != number) __builtin_trap();
    }
}

// Reads the text as the type the selector names (one conversion per input keeps the target fast:
// a failed conversion throws).
void ReadAs(uint8_t selector, const FB::variant& text) {
    switch (selector % 11) {
        case 0:
            return ReadNumber<short>(text);
        case 1:
            return ReadNumber<unsigned short>(text);
        case 2:
            return ReadNumber<int>(text);
        case 3:
            return ReadNumber<unsigned int>(text);
        case 4:
            return ReadNumber<long>(text);
        case 5:
            return ReadNumber<unsigned long>(text);
        case 6:
            return ReadNumber<long long>(text);
        case 7:
            return ReadNumber<unsigned long long>(text);
        case 8:
            return ReadNumber<float>(text);
        case 9:
            return ReadNumber<double>(text);
        default:
            (void)text.convertTo<bool>();
    }
}

}  // namespace

// The first byte chooses the type to read and whether the text is narrow or wide; the rest is the
// text, as UTF-8.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t selector = data[0];
    const std::string narrow(reinterpret_cast<const char*>(data + 1), size - 1);
    if (selector & 0x80) {
        const std::wstring wide = FB::utf8ToWide(narrow);
        ReadAs(selector, FB::variant(wide));
        // Text that has been through the conversion once comes back unchanged.
        if (FB::utf8ToWide(FB::wideToUtf8(wide)) != wide) __builtin_trap();
    } else {
        ReadAs(selector, FB::variant(narrow));
    }
    return 0;
}
