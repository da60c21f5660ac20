#include <cmath>
#include <string>
#include <type_traits>

#include <gtest/gtest.h>

#include "scripting/variant.h"
#include "tests/scripting/error_expectations.h"

namespace {

using FB::testing::expectBadVariantCast;
namespace vd = FB::variant_detail;

// Converts the inside value as a plain cast would (floating values truncate toward zero) and
// refuses the outside one, naming the source and target types.
template <class Target, class Source>
void expectRange(Source inside, Source outside) {
    EXPECT_EQ(FB::variant(inside).convertTo<Target>(), static_cast<Target>(inside)) << typeid(Target).name();
    expectBadVariantCast<Source, Target>([&] { FB::variant(outside).convertTo<Target>(); });
}

TEST(VariantNumberConversion, EveryWidthConvertsWithinItsRangeAndFailsOutside) {
    expectRange<short>(-32768, 32768);
    expectRange<unsigned short>(65535, 65536);
    expectRange<int>(-2147483648LL, 4294967296LL);
    expectRange<unsigned int>(4294967295LL, 4294967296LL);
    expectRange<unsigned int>(0, -1);
    expectRange<long>(1ULL << 40, ~0ULL);
    expectRange<unsigned long>(7, -1);
    expectRange<long long>(1ULL << 62, ~0ULL);
    expectRange<unsigned long long>(1LL << 62, -1LL);
    expectRange<float>(3.4e38, 1e39);
    expectRange<int>(2147483647.9, 2147483648.0);
    expectRange<int>(-2147483648.9, -2147483649.0);
    expectRange<unsigned int>(-0.9, -1.0);
    expectRange<short>(-3.9f, 40000.0f);
    EXPECT_EQ(FB::variant('A').convertTo<double>(), 65.0);
    EXPECT_EQ(FB::variant(true).convertTo<int>(), 1);
    EXPECT_EQ(FB::variant(false).convertTo<double>(), 0.0);
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

// A negative number never wraps around into an unsigned type, whether it comes as number or text.
TEST(VariantNumberConversion, TextOutsideTheTargetsRangeFailsLikeTheNumber) {
    expectBadVariantCast<std::string, unsigned int>([] { FB::variant("-1").convertTo<unsigned int>(); });
    expectBadVariantCast<std::string, unsigned int>([] { FB::variant(" -4294967295").convertTo<unsigned int>(); });
    expectBadVariantCast<std::string, unsigned int>([] { FB::variant("4294967296").convertTo<unsigned int>(); });
    expectBadVariantCast<std::string, unsigned short>([] { FB::variant("-1").convertTo<unsigned short>(); });
    expectBadVariantCast<std::string, unsigned long long>([] { FB::variant("-1").convertTo<unsigned long long>(); });
    expectBadVariantCast<std::wstring, unsigned long>(
        [] { FB::variant(std::wstring(L"-7")).convertTo<unsigned long>(); });
    EXPECT_EQ(FB::variant("4294967295").convertTo<unsigned int>(), 4294967295u);
    EXPECT_EQ(FB::variant("+7").convertTo<unsigned int>(), 7u);
    EXPECT_EQ(FB::variant(" -0").convertTo<unsigned int>(), 0u);
}

// Every numeric and text target refuses the value, naming its stored type; truth goes through long.
template <class... Targets>
void expectNoConversion(const FB::variant& value) {
    (FB::testing::expectBadVariantCastFrom<std::conditional_t<std::is_same_v<Targets, bool>, long, Targets>>(
         value.type(), [&] { value.convertTo<Targets>(); }),
     ...);
}

TEST(VariantNumberConversion, EmptyNullAndContainersFailForEveryTarget) {
    for (const FB::variant& value : {FB::variant(), FB::variant(vd::null()), FB::variant(FB::VariantList{})}) {
        expectNoConversion<double, float, int, long, short, unsigned short, unsigned int, unsigned long, long long,
                           unsigned long long, bool, std::string, std::wstring>(value);
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

TEST(VariantTextConversion, NumbersBooleansAndCharactersAreWrittenAsText) {
    EXPECT_EQ(FB::variant(0.1).convertTo<std::string>() + " " + FB::variant(100.0).convertTo<std::string>(), "0.1 100");
    EXPECT_EQ(FB::variant(1234567.0).convertTo<std::wstring>(), L"1.23457e+06");
    EXPECT_EQ(FB::variant(-9000000000L).convertTo<std::string>(), "-9000000000");
    EXPECT_EQ(FB::variant(true).convertTo<std::string>(), "true");
    EXPECT_EQ(FB::variant(false).convertTo<std::wstring>(), L"false");
    // Sixty-four-bit integers have a narrow but no wide text.
    EXPECT_EQ(FB::variant(~0ULL).convertTo<std::string>(), "18446744073709551615");
    expectBadVariantCast<unsigned long long, std::wstring>([] { FB::variant(~0ULL).convertTo<std::wstring>(); });
    expectBadVariantCast<long long, std::wstring>([] { FB::variant(1LL).convertTo<std::wstring>(); });
    // A char is a character in both texts; an unsigned char is its number in wide text.
    EXPECT_EQ(FB::variant('A').convertTo<std::string>(), "A");
    EXPECT_EQ(FB::variant('A').convertTo<std::wstring>(), L"A");
    EXPECT_EQ(FB::variant(static_cast<unsigned char>(65)).convertTo<std::string>(), "A");
    EXPECT_EQ(FB::variant(static_cast<unsigned char>(65)).convertTo<std::wstring>(), L"65");
    EXPECT_EQ(FB::variant(static_cast<char>(0xE9)).convertTo<std::wstring>(), L"\xE9");  // never negative
}

TEST(VariantTextConversion, WideAndNarrowTextConvertThroughUtf8) {
    EXPECT_EQ(FB::variant(std::wstring(L"\x4E2D\x6587")).convertTo<std::string>(), "\xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_EQ(FB::variant("\xE4\xB8\xAD\xE6\x96\x87").convertTo<std::wstring>(), L"\x4E2D\x6587");
    // Malformed text from a page converts with replacement characters instead of failing.
    EXPECT_EQ(FB::variant("a\xFF").convertTo<std::wstring>(), L"a\xFFFD");
    EXPECT_EQ(FB::variant(std::wstring{L'x', wchar_t(0xD800)}).convertTo<std::string>(), "x\xEF\xBF\xBD");
}

}  // namespace
