#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "scripting/variant.h"
#include "tests/scripting/error_expectations.h"

namespace {

using FB::testing::expectBadVariantCast;
namespace vd = FB::variant_detail;

TEST(VariantNumberConversion, NumbersConvertAcrossWidthsWithinRange) {
    const FB::variant small(100);
    EXPECT_EQ(small.convertTo<short>(), 100);
    EXPECT_EQ(small.convertTo<unsigned short>(), 100);
    EXPECT_EQ(small.convertTo<unsigned int>(), 100u);
    EXPECT_EQ(small.convertTo<long>(), 100L);
    EXPECT_EQ(small.convertTo<unsigned long>(), 100UL);
    EXPECT_EQ(small.convertTo<long long>(), 100LL);
    EXPECT_EQ(small.convertTo<unsigned long long>(), 100ULL);
    EXPECT_EQ(small.convertTo<float>(), 100.0f);
    EXPECT_EQ(small.convertTo<double>(), 100.0);
    EXPECT_EQ(FB::variant('A').convertTo<int>(), 65);
    EXPECT_EQ(FB::variant(1LL << 40).convertTo<long>(), 1L << 40);
    EXPECT_EQ(FB::variant(-32768).convertTo<short>(), -32768);
    EXPECT_EQ(FB::variant(true).convertTo<int>(), 1);
    EXPECT_EQ(FB::variant(false).convertTo<double>(), 0.0);
}

TEST(VariantNumberConversion, IntegersOutsideTargetRangeFail) {
    expectBadVariantCast<long long, int>([] { FB::variant(4294967296LL).convertTo<int>(); });
    expectBadVariantCast<long long, unsigned int>([] { FB::variant(4294967296LL).convertTo<unsigned int>(); });
    expectBadVariantCast<int, unsigned int>([] { FB::variant(-1).convertTo<unsigned int>(); });
    expectBadVariantCast<int, unsigned long>([] { FB::variant(-1).convertTo<unsigned long>(); });
    expectBadVariantCast<int, unsigned long long>([] { FB::variant(-1).convertTo<unsigned long long>(); });
    expectBadVariantCast<int, short>([] { FB::variant(32768).convertTo<short>(); });
    expectBadVariantCast<int, unsigned short>([] { FB::variant(65536).convertTo<unsigned short>(); });
    expectBadVariantCast<unsigned long long, long>([] { FB::variant(~0ULL).convertTo<long>(); });
    expectBadVariantCast<unsigned long long, long long>([] { FB::variant(~0ULL).convertTo<long long>(); });
}

TEST(VariantNumberConversion, FloatingValuesTruncateTowardZeroWithinRange) {
    EXPECT_EQ(FB::variant(3.9).convertTo<int>(), 3);
    EXPECT_EQ(FB::variant(-3.9).convertTo<int>(), -3);
    EXPECT_EQ(FB::variant(2147483647.9).convertTo<int>(), INT_MAX);
    EXPECT_EQ(FB::variant(-2147483648.9).convertTo<int>(), INT_MIN);
    EXPECT_EQ(FB::variant(-0.9).convertTo<unsigned int>(), 0u);
    expectBadVariantCast<double, int>([] { FB::variant(2147483648.0).convertTo<int>(); });
    expectBadVariantCast<double, unsigned int>([] { FB::variant(-1.0).convertTo<unsigned int>(); });
    expectBadVariantCast<float, short>([] { FB::variant(40000.0f).convertTo<short>(); });
    expectBadVariantCast<double, float>([] { FB::variant(1e39).convertTo<float>(); });
    // Not a number passes the range check; casting it to an integer would be undefined.
    EXPECT_EQ(FB::variant(std::nan("")).convertTo<int>(), 0);
}

TEST(VariantNumberConversion, StringToIntIgnoresTrailingText) {
    EXPECT_EQ(FB::variant("42abc").convertTo<int>(), 42);
    EXPECT_EQ(FB::variant("  7").convertTo<int>(), 7);
    EXPECT_EQ(FB::variant("-12 apples").convertTo<long>(), -12);
    EXPECT_DOUBLE_EQ(FB::variant("3.5kg").convertTo<double>(), 3.5);
    EXPECT_EQ(FB::variant(std::wstring(L"42abc")).convertTo<int>(), 42);
    expectBadVariantCast<std::string, int>([] { FB::variant("abc").convertTo<int>(); });
    expectBadVariantCast<std::string, int>([] { FB::variant("").convertTo<int>(); });
    expectBadVariantCast<std::string, short>([] { FB::variant("70000").convertTo<short>(); });
    expectBadVariantCast<std::wstring, int>([] { FB::variant(std::wstring(L"\x4E2D")).convertTo<int>(); });
}

TEST(VariantNumberConversion, EmptyNullAndContainersFailForEveryTarget) {
    for (const FB::variant& value : {FB::variant(), FB::variant(vd::null()), FB::variant(FB::VariantList{})}) {
        const auto check = [&](const std::type_info& target, auto convert) {
            try {
                convert();
                ADD_FAILURE() << "converted " << value.type().name() << " to " << target.name();
            } catch (const FB::bad_variant_cast& error) {
                EXPECT_STREQ(error.from, value.type().name());
                EXPECT_STREQ(error.to, target.name());
            }
        };
        check(typeid(double), [&] { value.convertTo<double>(); });
        check(typeid(float), [&] { value.convertTo<float>(); });
        check(typeid(int), [&] { value.convertTo<int>(); });
        check(typeid(long), [&] { value.convertTo<long>(); });
        check(typeid(short), [&] { value.convertTo<short>(); });
        check(typeid(unsigned short), [&] { value.convertTo<unsigned short>(); });
        check(typeid(unsigned int), [&] { value.convertTo<unsigned int>(); });
        check(typeid(unsigned long), [&] { value.convertTo<unsigned long>(); });
        check(typeid(long long), [&] { value.convertTo<long long>(); });
        check(typeid(unsigned long long), [&] { value.convertTo<unsigned long long>(); });
        check(typeid(std::string), [&] { value.convertTo<std::string>(); });
        check(typeid(std::wstring), [&] { value.convertTo<std::wstring>(); });
        check(typeid(long), [&] { value.convertTo<bool>(); });  // truth goes through long
    }
}

TEST(VariantTruthConversion, TrueWordsInAnyCaseOtherTextsFalseNumbersThroughLong) {
    for (const char* word : {"y", "1", "yes", "true", "t", "YES", "Yes", "T", "TrUe"}) {
        EXPECT_TRUE(FB::variant(word).convertTo<bool>()) << word;
    }
    for (const char* word : {"", "no", "on", " true", "2", "yess"}) {
        EXPECT_FALSE(FB::variant(word).convertTo<bool>()) << '"' << word << '"';
    }
    EXPECT_TRUE(FB::variant(std::wstring(L"Yes")).convertTo<bool>());
    EXPECT_FALSE(FB::variant(std::wstring(L"on")).convertTo<bool>());
    EXPECT_FALSE(FB::variant(0.5).convertTo<bool>());
    EXPECT_TRUE(FB::variant(2.7).convertTo<bool>());
    EXPECT_TRUE(FB::variant(-3).convertTo<bool>());
    expectBadVariantCast<unsigned long long, long>([] { FB::variant(~0ULL).convertTo<bool>(); });
}

}  // namespace
