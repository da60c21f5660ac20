#include <string>

#include <gtest/gtest.h>

#include "scripting/variant.h"
#include "tests/scripting/error_expectations.h"

namespace {

using FB::testing::expectBadVariantCast;

TEST(VariantTextConversion, NumbersAndBooleansAreWrittenAsText) {
    EXPECT_EQ(FB::variant(0.1).convertTo<std::string>(), "0.1");
    EXPECT_EQ(FB::variant(100.0).convertTo<std::string>(), "100");
    EXPECT_EQ(FB::variant(1234567.0).convertTo<std::string>(), "1.23457e+06");
    EXPECT_EQ(FB::variant(1234567.0).convertTo<std::wstring>(), L"1.23457e+06");
    EXPECT_EQ(FB::variant(-9000000000L).convertTo<std::string>(), "-9000000000");
    EXPECT_EQ(FB::variant(65535UL).convertTo<std::wstring>(), L"65535");
    EXPECT_EQ(FB::variant(true).convertTo<std::string>(), "true");
    EXPECT_EQ(FB::variant(false).convertTo<std::wstring>(), L"false");
}

TEST(VariantTextConversion, SixtyFourBitIntegersHaveNarrowButNoWideText) {
    EXPECT_EQ(FB::variant(~0ULL).convertTo<std::string>(), "18446744073709551615");
    expectBadVariantCast<unsigned long long, std::wstring>([] { FB::variant(~0ULL).convertTo<std::wstring>(); });
    expectBadVariantCast<long long, std::wstring>([] { FB::variant(1LL).convertTo<std::wstring>(); });
}

TEST(VariantTextConversion, CharactersAreTextButUnsignedCharIsNumberInWideText) {
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

TEST(VariantTextConversion, MapsAndListsHaveNoText) {
    expectBadVariantCast<FB::VariantMap, std::string>([] { FB::variant(FB::VariantMap{}).convertTo<std::string>(); });
    expectBadVariantCast<FB::VariantList, std::wstring>([] { FB::variant(FB::VariantList{}).convertTo<std::wstring>(); });
}

}  // namespace
