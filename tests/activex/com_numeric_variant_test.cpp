#include <cmath>
#include <cstdint>
#include <string>
#include <typeindex>

#include <gtest/gtest.h>

#include "activex/com_variant_converters.h"
#include "tests/scripting/error_expectations.h"

namespace {

using FB::ActiveX::numericToVARIANT;
using FB::testing::expectBadVariantCast;

const FB::ActiveX::ActiveXBrowserHostPtr noHost;

TEST(ComNumericVariant, ConverterMapGivesEachNativeTypeItsTypeCodeAndPayload) {
    const auto converters = FB::ActiveX::buildVariantConverterMap();
    EXPECT_EQ(converters.size(), 10u);
    const std::pair<const std::type_info&, VARTYPE> rows[] = {
        {typeid(short), VT_I2},     {typeid(unsigned short), VT_UI2},     {typeid(int), VT_I4},
        {typeid(long), VT_I4},      {typeid(unsigned int), VT_UI4},       {typeid(unsigned long), VT_UI4},
        {typeid(long long), VT_I8}, {typeid(unsigned long long), VT_UI8}, {typeid(float), VT_R4},
        {typeid(double), VT_R8}};
    for (const auto& [type, code] : rows) {
        EXPECT_EQ(converters.at(std::type_index(type))(noHost, FB::variant("3")).vt, code) << type.name();
    }
    EXPECT_EQ(numericToVARIANT<short>(noHost, FB::variant("42")).iVal, 42);
    EXPECT_EQ(numericToVARIANT<unsigned long long>(noHost, FB::variant(~0ULL)).ullVal, ~0ULL);
    EXPECT_EQ(numericToVARIANT<float>(noHost, FB::variant(0.5)).fltVal, 0.5f);
    EXPECT_EQ(numericToVARIANT<double>(noHost, FB::variant(true)).dblVal, 1.0);
    // Only a narrowing store is range checked: infinities and NaN travel as they are.
    EXPECT_EQ(numericToVARIANT<double>(noHost, FB::variant(-HUGE_VAL)).dblVal, -HUGE_VAL);
    EXPECT_TRUE(std::isnan(numericToVARIANT<float>(noHost, FB::variant(std::nanf(""))).fltVal));
}

TEST(ComNumericVariant, ConversionFailureIsBadCastAndLongIsNeverCutToThirtyTwoBits) {
    expectBadVariantCast<std::string, int>([] { numericToVARIANT<int>(noHost, FB::variant("none")); });
    expectBadVariantCast<int, unsigned short>([] { numericToVARIANT<unsigned short>(noHost, FB::variant(-1)); });
    EXPECT_EQ(numericToVARIANT<long>(noHost, FB::variant(-2147483648L)).lVal, INT32_MIN);
    expectBadVariantCast<long, long>([] { numericToVARIANT<long>(noHost, FB::variant(1L << 32)); });
    expectBadVariantCast<long long, unsigned long>(
        [] { numericToVARIANT<unsigned long>(noHost, FB::variant(1LL << 32)); });
}

}  // namespace
