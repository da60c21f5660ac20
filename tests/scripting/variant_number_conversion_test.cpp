#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "bad_cast_expectation.h"
#include "scripting/variant.h"

namespace {

using FB::testing::expectBadVariantCast;
namespace vd = FB::variant_detail;

TEST(VariantNumberConversion, NumbersWithinRangeConvertAcrossWidths) {
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
    EXPECT_EQ(FB::variant(static_cast<unsigned char>(200)).convertTo<short>(), 200);
    EXPECT_EQ(FB::variant(1LL << 40).convertTo<long>(), 1L << 40);
    EXPECT_EQ(FB::variant(std::numeric_limits<unsigned long long>::max()).convertTo<double>(), 18446744073709551615.0);
}

TEST(VariantNumberConversion, IntegersOutsideTargetRangeFail) {
    const FB::variant big(4294967296LL);
    expectBadVariantCast<long long, int>([&] { big.convertTo<int>(); });
    expectBadVariantCast<long long, unsigned int>([&] { big.convertTo<unsigned int>(); });
    expectBadVariantCast<int, unsigned int>([] { FB::variant(-1).convertTo<unsigned int>(); });
    expectBadVariantCast<int, unsigned long>([] { FB::variant(-1).convertTo<unsigned long>(); });
    expectBadVariantCast<int, unsigned long long>([] { FB::variant(-1).convertTo<unsigned long long>(); });
    expectBadVariantCast<int, short>([] { FB::variant(32768).convertTo<short>(); });
    expectBadVariantCast<int, unsigned short>([] { FB::variant(65536).convertTo<unsigned short>(); });
    expectBadVariantCast<unsigned long long, long>([] { FB::variant(~0ULL).convertTo<long>(); });
    expectBadVariantCast<unsigned long long, long long>([] { FB::variant(~0ULL).convertTo<long long>(); });
    expectBadVariantCast<long long, unsigned long long>([] { FB::variant(-1LL).convertTo<unsigned long long>(); });
    EXPECT_EQ(FB::variant(32767).convertTo<short>(), 32767);
    EXPECT_EQ(FB::variant(-32768).convertTo<short>(), -32768);
}

TEST(VariantNumberConversion, FloatingValuesTruncateTowardZeroWithinRange) {
    EXPECT_EQ(FB::variant(3.9).convertTo<int>(), 3);
    EXPECT_EQ(FB::variant(-3.9).convertTo<int>(), -3);
    EXPECT_EQ(FB::variant(2147483647.9).convertTo<int>(), 2147483647);
    EXPECT_EQ(FB::variant(-2147483648.9).convertTo<int>(), INT_MIN);
    expectBadVariantCast<double, int>([] { FB::variant(2147483648.0).convertTo<int>(); });
    expectBadVariantCast<double, int>([] { FB::variant(-2147483649.0).convertTo<int>(); });
    expectBadVariantCast<double, unsigned int>([] { FB::variant(-1.0).convertTo<unsigned int>(); });
    EXPECT_EQ(FB::variant(-0.9).convertTo<unsigned int>(), 0u);
    expectBadVariantCast<float, short>([] { FB::variant(40000.0f).convertTo<short>(); });
    expectBadVariantCast<double, int>([] { FB::variant(std::numeric_limits<double>::infinity()).convertTo<int>(); });
}

TEST(VariantNumberConversion, DoubleToFloatFailsOutsideFloatRange) {
    EXPECT_FLOAT_EQ(FB::variant(3.4e38).convertTo<float>(), 3.4e38f);
    expectBadVariantCast<double, float>([] { FB::variant(1e39).convertTo<float>(); });
    expectBadVariantCast<double, float>([] { FB::variant(-1e39).convertTo<float>(); });
}

TEST(VariantNumberConversion, NotANumberToIntegerGivesZeroWithoutFailing) {
    EXPECT_EQ(FB::variant(std::nan("")).convertTo<int>(), 0);
    EXPECT_EQ(FB::variant(std::nanf("")).convertTo<unsigned long long>(), 0u);
    EXPECT_TRUE(std::isnan(FB::variant(std::nan("")).convertTo<float>()));
}

TEST(VariantNumberConversion, BoolGivesOneOrZero) {
    EXPECT_EQ(FB::variant(true).convertTo<int>(), 1);
    EXPECT_EQ(FB::variant(false).convertTo<double>(), 0.0);
    EXPECT_EQ(FB::variant(true).convertTo<unsigned long long>(), 1u);
}

TEST(VariantNumberConversion, StringToIntIgnoresTrailingText) {
    EXPECT_EQ(FB::variant("42abc").convertTo<int>(), 42);
    EXPECT_EQ(FB::variant("  7").convertTo<int>(), 7);
    EXPECT_EQ(FB::variant("-12 apples").convertTo<long>(), -12);
    EXPECT_DOUBLE_EQ(FB::variant("3.5kg").convertTo<double>(), 3.5);
    EXPECT_FLOAT_EQ(FB::variant("1e3").convertTo<float>(), 1000.0f);
}

TEST(VariantNumberConversion, TextWithoutNumberOrOutOfRangeFails) {
    expectBadVariantCast<std::string, int>([] { FB::variant("abc").convertTo<int>(); });
    expectBadVariantCast<std::string, int>([] { FB::variant("").convertTo<int>(); });
    expectBadVariantCast<std::string, short>([] { FB::variant("70000").convertTo<short>(); });
    expectBadVariantCast<std::string, long long>([] { FB::variant("99999999999999999999").convertTo<long long>(); });
    expectBadVariantCast<std::string, double>([] { FB::variant("1e500").convertTo<double>(); });
}

TEST(VariantNumberConversion, WideTextIsReadAsNumberAndNamedOnFailure) {
    EXPECT_EQ(FB::variant(std::wstring(L"42abc")).convertTo<int>(), 42);
    EXPECT_DOUBLE_EQ(FB::variant(std::wstring(L" 0.25")).convertTo<double>(), 0.25);
    expectBadVariantCast<std::wstring, int>([] { FB::variant(std::wstring(L"\x4E2D")).convertTo<int>(); });
}

TEST(VariantNumberConversion, EmptyNullAndNonNumbersFailForEveryTarget) {
    for (const FB::variant& value : {FB::variant(), FB::variant(vd::null())}) {
        const std::type_info& stored = value.type();
        auto check = [&](auto target, auto call) {
            try {
                call();
                ADD_FAILURE() << "converted " << stored.name() << " to " << typeid(target).name();
            } catch (const FB::bad_variant_cast& error) {
                EXPECT_STREQ(error.from, stored.name());
                EXPECT_STREQ(error.to, typeid(target).name());
            }
        };
        check(double(), [&] { value.convertTo<double>(); });
        check(float(), [&] { value.convertTo<float>(); });
        check(int(), [&] { value.convertTo<int>(); });
        check(long(), [&] { value.convertTo<long>(); });
        check(short(), [&] { value.convertTo<short>(); });
        check((unsigned short)0, [&] { value.convertTo<unsigned short>(); });
        check(0u, [&] { value.convertTo<unsigned int>(); });
        check(0UL, [&] { value.convertTo<unsigned long>(); });
        check(0LL, [&] { value.convertTo<long long>(); });
        check(0ULL, [&] { value.convertTo<unsigned long long>(); });
        check(std::string(), [&] { value.convertTo<std::string>(); });
        check(std::wstring(), [&] { value.convertTo<std::wstring>(); });
    }
    expectBadVariantCast<FB::VariantList, int>([] { FB::variant(FB::VariantList{}).convertTo<int>(); });
}

TEST(VariantNumberConversion, ConversionLeavesTheValueUnchanged) {
    const FB::variant text("15 items");
    EXPECT_EQ(text.convertTo<int>(), 15);
    EXPECT_EQ(text.cast<std::string>(), "15 items");
}

TEST(VariantTruthConversion, TrueWordsInAnyCaseAreTrue) {
    for (const char* word : {"y", "1", "yes", "true", "t", "YES", "Yes", "T", "TrUe", "Y"}) {
        EXPECT_TRUE(FB::variant(word).convertTo<bool>()) << word;
    }
    for (const wchar_t* word : {L"y", L"1", L"Yes", L"TRUE", L"t"}) {
        EXPECT_TRUE(FB::variant(std::wstring(word)).convertTo<bool>());
    }
}

TEST(VariantTruthConversion, OtherTextsAreFalseAndNeverFail) {
    for (const char* word : {"", "no", "on", " true", "2", "false", "yess", "0"}) {
        EXPECT_FALSE(FB::variant(word).convertTo<bool>()) << '"' << word << '"';
    }
    EXPECT_FALSE(FB::variant(std::wstring(L"\xC4\xB0")).convertTo<bool>());
    EXPECT_FALSE(FB::variant(std::wstring(L"on")).convertTo<bool>());
}

TEST(VariantTruthConversion, NumbersAreReadThroughLong) {
    EXPECT_TRUE(FB::variant(true).convertTo<bool>());
    EXPECT_FALSE(FB::variant(0).convertTo<bool>());
    EXPECT_TRUE(FB::variant(-3).convertTo<bool>());
    EXPECT_FALSE(FB::variant(0.5).convertTo<bool>());
    EXPECT_TRUE(FB::variant(2.7).convertTo<bool>());
    expectBadVariantCast<vd::empty, long>([] { FB::variant().convertTo<bool>(); });
    expectBadVariantCast<vd::null, long>([] { FB::variant(vd::null()).convertTo<bool>(); });
    expectBadVariantCast<FB::VariantList, long>([] { FB::variant(FB::VariantList{}).convertTo<bool>(); });
    expectBadVariantCast<unsigned long long, long>([] { FB::variant(~0ULL).convertTo<bool>(); });
}

}  // namespace
