// A BSTR points just past its 32-bit byte-length prefix; a zero unit follows the text.
#include "platform/com/oleauto.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <limits>

namespace {

using Prefix = uint32_t;

Prefix* prefixOf(BSTR text) { return reinterpret_cast<Prefix*>(text) - 1; }

}  // namespace

extern "C" BSTR WINAPI SysAllocStringLen(const OLECHAR* text, UINT length) {
    constexpr size_t kMostUnits = (std::numeric_limits<Prefix>::max() / sizeof(OLECHAR)) - 1;
    if (length > kMostUnits) return nullptr;
    const size_t bytes = size_t(length) * sizeof(OLECHAR);
    auto* block = static_cast<Prefix*>(std::malloc(sizeof(Prefix) + bytes + sizeof(OLECHAR)));
    if (!block) return nullptr;
    *block = static_cast<Prefix>(bytes);
    auto* units = reinterpret_cast<OLECHAR*>(block + 1);
    if (text)
        std::memcpy(units, text, bytes);
    else
        std::memset(units, 0, bytes);
    units[length] = 0;
    return units;
}

extern "C" BSTR WINAPI SysAllocString(const OLECHAR* text) {
    if (!text) return nullptr;
    const size_t length = std::wcslen(text);
    if (length > std::numeric_limits<UINT>::max()) return nullptr;
    return SysAllocStringLen(text, static_cast<UINT>(length));
}

extern "C" void WINAPI SysFreeString(BSTR text) {
    if (text) std::free(prefixOf(text));
}

extern "C" UINT WINAPI SysStringByteLen(BSTR text) { return text ? *prefixOf(text) : 0; }

extern "C" UINT WINAPI SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }
