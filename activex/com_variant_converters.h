// Converters from script values to COM VARIANTs, keyed by the native type a COM argument or result
// needs. Each numeric converter reads the value with FB::variant::convertTo and fails the same way.
#pragma once

#include <map>
#include <memory>
#include <type_traits>
#include <typeindex>
#include <typeinfo>
#include <utility>

#include <boost/numeric/conversion/cast.hpp>

#include "platform/com/oleauto.h"
#include "scripting/variant.h"

namespace FB::ActiveX {

class ActiveXBrowserHost;
using ActiveXBrowserHostPtr = std::shared_ptr<ActiveXBrowserHost>;

using ComVariantConverter = VARIANT (*)(const ActiveXBrowserHostPtr& host, const FB::variant& value);
using ComVariantConverterMap = std::map<std::type_index, ComVariantConverter>;

// How a native number travels in a VARIANT: its type code and the member of the value union that
// holds it.
template <VARTYPE Code, auto Member>
struct ComNumberSlot {
    static constexpr VARTYPE type = Code;
    static constexpr auto member = Member;
    using Stored = std::remove_reference_t<decltype(std::declval<VARIANT&>().*Member)>;
};

// The slot of each native number that has a converter.
template <typename T>
struct ComNumber;
template <>
struct ComNumber<short> : ComNumberSlot<VT_I2, &VARIANT::iVal> {};
template <>
struct ComNumber<unsigned short> : ComNumberSlot<VT_UI2, &VARIANT::uiVal> {};
template <>
struct ComNumber<int> : ComNumberSlot<VT_I4, &VARIANT::lVal> {};
template <>
struct ComNumber<long> : ComNumberSlot<VT_I4, &VARIANT::lVal> {};
template <>
struct ComNumber<unsigned int> : ComNumberSlot<VT_UI4, &VARIANT::ulVal> {};
template <>
struct ComNumber<unsigned long> : ComNumberSlot<VT_UI4, &VARIANT::ulVal> {};
template <>
struct ComNumber<long long> : ComNumberSlot<VT_I8, &VARIANT::llVal> {};
template <>
struct ComNumber<unsigned long long> : ComNumberSlot<VT_UI8, &VARIANT::ullVal> {};
template <>
struct ComNumber<float> : ComNumberSlot<VT_R4, &VARIANT::fltVal> {};
template <>
struct ComNumber<double> : ComNumberSlot<VT_R8, &VARIANT::dblVal> {};

// Exists for each native number with a ComNumber slot.
template <typename T>
VARIANT numericToVARIANT(const ActiveXBrowserHostPtr&, const FB::variant& value) {
    using Slot = ComNumber<T>;
    const T number = value.convertTo<T>();
    VARIANT result{};
    result.vt = Slot::type;
    // long is 64-bit here but VT_I4 holds 32 bits: a number that does not fit is refused, not cut.
    try {
        result.*Slot::member = boost::numeric_cast<typename Slot::Stored>(number);
    } catch (const boost::numeric::bad_numeric_cast&) {
        throw FB::bad_variant_cast(value.type(), typeid(T));
    }
    return result;
}

// The numeric converters, one per native number.
ComVariantConverterMap buildVariantConverterMap();

}  // namespace FB::ActiveX
