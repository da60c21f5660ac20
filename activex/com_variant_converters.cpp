#include "activex/com_variant_converters.h"

#include <typeinfo>

#include <boost/numeric/conversion/cast.hpp>

namespace FB::ActiveX {
namespace {

// The VARIANT type code of each native number and the member of the value union that holds it.
template <typename T>
struct ComNumber;

template <>
struct ComNumber<short> {
    static constexpr VARTYPE type = VT_I2;
    static void store(VARIANT& out, short n) { out.iVal = n; }
};
template <>
struct ComNumber<unsigned short> {
    static constexpr VARTYPE type = VT_UI2;
    static void store(VARIANT& out, unsigned short n) { out.uiVal = n; }
};
template <>
struct ComNumber<int> {
    static constexpr VARTYPE type = VT_I4;
    static void store(VARIANT& out, int n) { out.lVal = n; }
};
// long is 64-bit here but VT_I4 holds 32 bits: a number that does not fit is refused, not cut.
template <>
struct ComNumber<long> {
    static constexpr VARTYPE type = VT_I4;
    static void store(VARIANT& out, long n) { out.lVal = boost::numeric_cast<LONG>(n); }
};
template <>
struct ComNumber<unsigned int> {
    static constexpr VARTYPE type = VT_UI4;
    static void store(VARIANT& out, unsigned int n) { out.ulVal = n; }
};
template <>
struct ComNumber<unsigned long> {
    static constexpr VARTYPE type = VT_UI4;
    static void store(VARIANT& out, unsigned long n) { out.ulVal = boost::numeric_cast<ULONG>(n); }
};
template <>
struct ComNumber<long long> {
    static constexpr VARTYPE type = VT_I8;
    static void store(VARIANT& out, long long n) { out.llVal = n; }
};
template <>
struct ComNumber<unsigned long long> {
    static constexpr VARTYPE type = VT_UI8;
    static void store(VARIANT& out, unsigned long long n) { out.ullVal = n; }
};
template <>
struct ComNumber<float> {
    static constexpr VARTYPE type = VT_R4;
    static void store(VARIANT& out, float n) { out.fltVal = n; }
};
template <>
struct ComNumber<double> {
    static constexpr VARTYPE type = VT_R8;
    static void store(VARIANT& out, double n) { out.dblVal = n; }
};

template <typename T>
void addNumeric(ComVariantConverterMap& converters) {
    converters[std::type_index(typeid(T))] = &numericToVARIANT<T>;
}

}  // namespace

template <typename T>
VARIANT numericToVARIANT(const ActiveXBrowserHostPtr&, const FB::variant& value) {
    const T number = value.convertTo<T>();
    VARIANT result{};
    result.vt = ComNumber<T>::type;
    try {
        ComNumber<T>::store(result, number);
    } catch (const boost::numeric::bad_numeric_cast&) {
        throw FB::bad_variant_cast(value.type(), typeid(T));
    }
    return result;
}

template VARIANT numericToVARIANT<short>(const ActiveXBrowserHostPtr&, const FB::variant&);
template VARIANT numericToVARIANT<unsigned short>(const ActiveXBrowserHostPtr&, const FB::variant&);
template VARIANT numericToVARIANT<int>(const ActiveXBrowserHostPtr&, const FB::variant&);
template VARIANT numericToVARIANT<long>(const ActiveXBrowserHostPtr&, const FB::variant&);
template VARIANT numericToVARIANT<unsigned int>(const ActiveXBrowserHostPtr&, const FB::variant&);
template VARIANT numericToVARIANT<unsigned long>(const ActiveXBrowserHostPtr&, const FB::variant&);
template VARIANT numericToVARIANT<long long>(const ActiveXBrowserHostPtr&, const FB::variant&);
template VARIANT numericToVARIANT<unsigned long long>(const ActiveXBrowserHostPtr&, const FB::variant&);
template VARIANT numericToVARIANT<float>(const ActiveXBrowserHostPtr&, const FB::variant&);
template VARIANT numericToVARIANT<double>(const ActiveXBrowserHostPtr&, const FB::variant&);

ComVariantConverterMap buildVariantConverterMap() {
    ComVariantConverterMap converters;
    addNumeric<short>(converters);
    addNumeric<unsigned short>(converters);
    addNumeric<int>(converters);
    addNumeric<long>(converters);
    addNumeric<unsigned int>(converters);
    addNumeric<unsigned long>(converters);
    addNumeric<long long>(converters);
    addNumeric<unsigned long long>(converters);
    addNumeric<float>(converters);
    addNumeric<double>(converters);
    return converters;
}

}  // namespace FB::ActiveX
