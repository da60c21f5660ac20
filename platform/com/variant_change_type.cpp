// VariantChangeType between the numeric codes, VT_BOOL and VT_EMPTY: a value is read as a signed,
// unsigned or floating number and written as the target type when it fits. Floating values are
// rounded to the nearest integer, halves to even, as the automation library does.
#include "platform/com/oleauto.h"
#include "platform/com/variant_ownership.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace {

struct Number {
    enum Kind { Signed, Unsigned, Real } kind = Signed;
    int64_t whole = 0;
    uint64_t positive = 0;
    double real = 0;
};

// The DECIMAL's value as a double; nothing for a scale beyond the 28 digits a DECIMAL has.
std::optional<double> decimalValue(const DECIMAL& value) {
    if (value.scale > 28) return std::nullopt;
    const double magnitude = (double(value.Hi32) * 18446744073709551616.0 + double(value.Lo64)) /
                             std::pow(10.0, static_cast<double>(value.scale));
    return (value.sign & DECIMAL_NEG) ? -magnitude : magnitude;
}

Number whole(int64_t value) {
    Number number;
    number.whole = value;
    return number;
}

Number real(double value) {
    Number number;
    number.kind = Number::Real;
    number.real = value;
    return number;
}

std::optional<Number> numberIn(const VARIANT& source) {
    switch (source.vt) {
        case VT_EMPTY:
            return whole(0);
        case VT_BOOL:
            return whole(source.boolVal ? -1 : 0);
        case VT_I1:
            return whole(source.cVal);
        case VT_I2:
            return whole(source.iVal);
        case VT_I4:
            return whole(source.lVal);
        case VT_INT:
            return whole(source.intVal);
        case VT_I8:
            return whole(source.llVal);
        case VT_UI1:
            return whole(source.bVal);
        case VT_UI2:
            return whole(source.uiVal);
        case VT_UI4:
            return whole(source.ulVal);
        case VT_UINT:
            return whole(source.uintVal);
        case VT_UI8: {
            Number number;
            number.kind = Number::Unsigned;
            number.positive = source.ullVal;
            return number;
        }
        case VT_R4:
            return real(source.fltVal);
        case VT_R8:
            return real(source.dblVal);
        case VT_DECIMAL: {
            const std::optional<double> value = decimalValue(source.decVal);
            if (!value) return std::nullopt;
            return real(*value);
        }
        default:
            return std::nullopt;
    }
}

// The number as an integer of type T, when it fits.
template <typename T>
std::optional<T> integerOf(const Number& number) {
    using Limits = std::numeric_limits<T>;
    switch (number.kind) {
        case Number::Signed:
            if (number.whole < 0 && !Limits::is_signed) return std::nullopt;
            if (number.whole >= 0 ? uint64_t(number.whole) > uint64_t(Limits::max())
                                  : number.whole < int64_t(Limits::min()))
                return std::nullopt;
            return static_cast<T>(number.whole);
        case Number::Unsigned:
            if (number.positive > uint64_t(Limits::max())) return std::nullopt;
            return static_cast<T>(number.positive);
        case Number::Real: {
            const double rounded = std::nearbyint(number.real);
            // 2^(digits) is exact as a double: everything below it fits.
            const double above = std::ldexp(1.0, Limits::digits);
            const bool fits =
                Limits::is_signed ? rounded >= -above && rounded < above : rounded > -1.0 && rounded < above;
            if (!fits) return std::nullopt;
            return static_cast<T>(rounded);
        }
    }
    return std::nullopt;
}

double realOf(const Number& number) {
    switch (number.kind) {
        case Number::Signed:
            return static_cast<double>(number.whole);
        case Number::Unsigned:
            return static_cast<double>(number.positive);
        case Number::Real:
            return number.real;
    }
    return 0;
}

template <typename T, typename Field>
HRESULT store(VARIANT& result, const Number& number, VARTYPE type, Field field) {
    const std::optional<T> value = integerOf<T>(number);
    if (!value) return DISP_E_OVERFLOW;
    result.vt = type;
    result.*field = *value;
    return S_OK;
}

HRESULT convertNumber(VARIANT& result, const Number& number, VARTYPE type) {
    switch (type) {
        case VT_BOOL:
            result.vt = VT_BOOL;
            result.boolVal = realOf(number) != 0 ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        case VT_I1:
            return store<CHAR>(result, number, type, &VARIANT::cVal);
        case VT_UI1:
            return store<BYTE>(result, number, type, &VARIANT::bVal);
        case VT_I2:
            return store<SHORT>(result, number, type, &VARIANT::iVal);
        case VT_UI2:
            return store<USHORT>(result, number, type, &VARIANT::uiVal);
        case VT_I4:
            return store<LONG>(result, number, type, &VARIANT::lVal);
        case VT_INT:
            return store<INT>(result, number, type, &VARIANT::intVal);
        case VT_UI4:
            return store<ULONG>(result, number, type, &VARIANT::ulVal);
        case VT_UINT:
            return store<UINT>(result, number, type, &VARIANT::uintVal);
        case VT_I8:
            return store<LONGLONG>(result, number, type, &VARIANT::llVal);
        case VT_UI8:
            return store<ULONGLONG>(result, number, type, &VARIANT::ullVal);
        case VT_R4: {
            const double real = realOf(number);
            if (std::isfinite(real) && std::fabs(real) > std::numeric_limits<float>::max()) return DISP_E_OVERFLOW;
            result.vt = VT_R4;
            result.fltVal = static_cast<float>(real);
            return S_OK;
        }
        case VT_R8:
            result.vt = VT_R8;
            result.dblVal = realOf(number);
            return S_OK;
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

}  // namespace

extern "C" HRESULT WINAPI VariantChangeType(VARIANTARG* destination, const VARIANTARG* source, USHORT, VARTYPE type) {
    using platform::detail::isScalarVariantType;
    if (!destination || !source) return E_INVALIDARG;
    if (!platform::detail::isValidVariantType(source->vt) || !isScalarVariantType(type)) return DISP_E_BADVARTYPE;
    if (source->vt == type) return VariantCopy(destination, source);
    const std::optional<Number> number = numberIn(*source);
    if (!number) return DISP_E_TYPEMISMATCH;
    VARIANT result;
    VariantInit(&result);
    const HRESULT converted = convertNumber(result, *number, type);
    if (FAILED(converted)) return converted;
    const HRESULT cleared = VariantClear(destination);
    if (FAILED(cleared)) return cleared;
    *destination = result;
    return S_OK;
}
