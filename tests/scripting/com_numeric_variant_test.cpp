#include <string>
#include <typeindex>

#include <gtest/gtest.h>

#include "activex/com_variant_converters.h"
#include "activex/type_id_map.h"
#include "bad_cast_expectation.h"

namespace {

using FB::testing::expectBadVariantCast;
using FB::ActiveX::numericToVARIANT;

const FB::ActiveX::ActiveXBrowserHostPtr noHost;

TEST(ComNumericVariant, EachNativeTypeGetsItsTypeCodeAndPayload) {
    const FB::variant value("42");
    EXPECT_EQ(numericToVARIANT<short>(noHost, value).vt, VT_I2);
    EXPECT_EQ(numericToVARIANT<short>(noHost, value).iVal, 42);
    EXPECT_EQ(numericToVARIANT<unsigned short>(noHost, value).vt, VT_UI2);
    EXPECT_EQ(numericToVARIANT<unsigned short>(noHost, value).uiVal, 42);
    EXPECT_EQ(numericToVARIANT<int>(noHost, value).vt, VT_I4);
    EXPECT_EQ(numericToVARIANT<int>(noHost, value).lVal, 42);
    EXPECT_EQ(numericToVARIANT<long>(noHost, value).vt, VT_I4);
    EXPECT_EQ(numericToVARIANT<long>(noHost, value).lVal, 42);
    EXPECT_EQ(numericToVARIANT<unsigned int>(noHost, value).vt, VT_UI4);
    EXPECT_EQ(numericToVARIANT<unsigned int>(noHost, value).ulVal, 42u);
    EXPECT_EQ(numericToVARIANT<unsigned long>(noHost, value).vt, VT_UI4);
    EXPECT_EQ(numericToVARIANT<unsigned long>(noHost, value).ulVal, 42u);
    EXPECT_EQ(numericToVARIANT<long long>(noHost, FB::variant(-(1LL << 40))).vt, VT_I8);
    EXPECT_EQ(numericToVARIANT<long long>(noHost, FB::variant(-(1LL << 40))).llVal, -(1LL << 40));
    EXPECT_EQ(numericToVARIANT<unsigned long long>(noHost, FB::variant(~0ULL)).vt, VT_UI8);
    EXPECT_EQ(numericToVARIANT<unsigned long long>(noHost, FB::variant(~0ULL)).ullVal, ~0ULL);
    EXPECT_EQ(numericToVARIANT<float>(noHost, FB::variant(0.5)).vt, VT_R4);
    EXPECT_EQ(numericToVARIANT<float>(noHost, FB::variant(0.5)).fltVal, 0.5f);
    EXPECT_EQ(numericToVARIANT<double>(noHost, FB::variant(true)).vt, VT_R8);
    EXPECT_EQ(numericToVARIANT<double>(noHost, FB::variant(true)).dblVal, 1.0);
}

TEST(ComNumericVariant, ConversionFailurePropagatesAsBadCast) {
    expectBadVariantCast<std::string, int>([] { numericToVARIANT<int>(noHost, FB::variant("none")); });
    expectBadVariantCast<int, unsigned short>([] { numericToVARIANT<unsigned short>(noHost, FB::variant(-1)); });
    expectBadVariantCast<FB::variant_detail::empty, double>([] { numericToVARIANT<double>(noHost, FB::variant()); });
}

TEST(ComNumericVariant, LongBeyondThirtyTwoBitsIsRefusedNotCut) {
    EXPECT_EQ(numericToVARIANT<long>(noHost, FB::variant(-2147483648L)).lVal, INT32_MIN);
    expectBadVariantCast<long, long>([] { numericToVARIANT<long>(noHost, FB::variant(1L << 32)); });
    expectBadVariantCast<long long, unsigned long>(
        [] { numericToVARIANT<unsigned long>(noHost, FB::variant(1LL << 32)); });
}

TEST(ComNumericVariant, ConverterMapHoldsTheTenNumericRowsByNativeType) {
    const auto converters = FB::ActiveX::buildVariantConverterMap();
    EXPECT_EQ(converters.size(), 10u);
    const auto row = [&](const std::type_info& type) { return converters.at(std::type_index(type)); };
    EXPECT_EQ(row(typeid(short))(noHost, FB::variant(3)).vt, VT_I2);
    EXPECT_EQ(row(typeid(long))(noHost, FB::variant(3)).vt, VT_I4);
    EXPECT_EQ(row(typeid(unsigned long))(noHost, FB::variant(3)).vt, VT_UI4);
    EXPECT_EQ(row(typeid(unsigned long long))(noHost, FB::variant(3)).vt, VT_UI8);
    EXPECT_EQ(row(typeid(double))(noHost, FB::variant(3)).dblVal, 3.0);
    EXPECT_EQ(converters.count(std::type_index(typeid(bool))), 0u);
}

TEST(TypeIDMap, ValueForIdGivesWideNameOfExactId) {
    FB::TypeIDMap<long> names;
    names.setIdForValue(-1, FB::variant("toString"));
    names.setIdForValue(100, FB::variant(std::wstring(L"SetRtspUrl")));
    EXPECT_EQ(names.valueForId(-1), L"toString");
    EXPECT_EQ(names.valueForId(100), L"SetRtspUrl");
    expectBadVariantCast<void, std::wstring>([&] { names.valueForId(99); });
}

TEST(TypeIDMap, IdOrValueMayBeEnteredOnlyOnce) {
    FB::TypeIDMap<long> names;
    names.setIdForValue(0, FB::variant("value"));
    EXPECT_THROW(names.setIdForValue(0, FB::variant("other")), std::runtime_error);
    EXPECT_THROW(names.setIdForValue(5, FB::variant("value")), std::runtime_error);
    // A wide name is a value of its own, distinct from the same narrow text.
    names.setIdForValue(5, FB::variant(std::wstring(L"value")));
    EXPECT_EQ(names.valueForId(0), L"value");
}

}  // namespace
