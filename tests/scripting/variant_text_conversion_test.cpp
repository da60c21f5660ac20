#include <string>

#include <gtest/gtest.h>

#include "bad_cast_expectation.h"
#include "scripting/variant.h"

namespace {

using FB::testing::expectBadVariantCast;
namespace vd = FB::variant_detail;

const std::string chineseUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";
const std::wstring chineseWide = L"\x4E2D\x6587";

TEST(VariantTextConversion, FloatingNumbersUseSixSignificantDigits) {
    EXPECT_EQ(FB::variant(0.1).convertTo<std::string>(), "0.1");
    EXPECT_EQ(FB::variant(100.0).convertTo<std::string>(), "100");
    EXPECT_EQ(FB::variant(1234567.0).convertTo<std::string>(), "1.23457e+06");
    EXPECT_EQ(FB::variant(0.1f).convertTo<std::string>(), "0.1");
    EXPECT_EQ(FB::variant(-2.5).convertTo<std::wstring>(), L"-2.5");
    EXPECT_EQ(FB::variant(1234567.0).convertTo<std::wstring>(), L"1.23457e+06");
}

TEST(VariantTextConversion, IntegersAndBooleansAreWrittenInWords) {
    EXPECT_EQ(FB::variant(-5).convertTo<std::string>(), "-5");
    EXPECT_EQ(FB::variant(4000000000u).convertTo<std::string>(), "4000000000");
    EXPECT_EQ(FB::variant(-9000000000L).convertTo<std::string>(), "-9000000000");
    EXPECT_EQ(FB::variant(static_cast<short>(-7)).convertTo<std::string>(), "-7");
    EXPECT_EQ(FB::variant(true).convertTo<std::string>(), "true");
    EXPECT_EQ(FB::variant(false).convertTo<std::string>(), "false");
    EXPECT_EQ(FB::variant(true).convertTo<std::wstring>(), L"true");
    EXPECT_EQ(FB::variant(65535UL).convertTo<std::wstring>(), L"65535");
    EXPECT_EQ(FB::variant(static_cast<unsigned short>(9)).convertTo<std::wstring>(), L"9");
}

TEST(VariantTextConversion, SixtyFourBitIntegersHaveNarrowButNoWideText) {
    EXPECT_EQ(FB::variant(~0ULL).convertTo<std::string>(), "18446744073709551615");
    EXPECT_EQ(FB::variant(-1LL).convertTo<std::string>(), "-1");
    expectBadVariantCast<unsigned long long, std::wstring>([] { FB::variant(~0ULL).convertTo<std::wstring>(); });
    expectBadVariantCast<long long, std::wstring>([] { FB::variant(1LL).convertTo<std::wstring>(); });
}

TEST(VariantTextConversion, CharactersAreTextButUnsignedCharIsNumberInWideText) {
    EXPECT_EQ(FB::variant('A').convertTo<std::string>(), "A");
    EXPECT_EQ(FB::variant('A').convertTo<std::wstring>(), L"A");
    EXPECT_EQ(FB::variant(static_cast<unsigned char>(65)).convertTo<std::string>(), "A");
    EXPECT_EQ(FB::variant(static_cast<unsigned char>(65)).convertTo<std::wstring>(), L"65");
    // A byte above 127 widens to the code point of the same number, never to a negative unit.
    EXPECT_EQ(FB::variant(static_cast<char>(0xE9)).convertTo<std::wstring>(), L"\xE9");
}

TEST(VariantTextConversion, WideAndNarrowTextConvertThroughUtf8) {
    EXPECT_EQ(FB::variant(chineseWide).convertTo<std::string>(), chineseUtf8);
    EXPECT_EQ(FB::variant(chineseUtf8).convertTo<std::wstring>(), chineseWide);
    EXPECT_EQ(FB::variant(chineseUtf8).convertTo<std::string>(), chineseUtf8);
    EXPECT_EQ(FB::variant(chineseWide).convertTo<std::wstring>(), chineseWide);
}

TEST(VariantTextConversion, MalformedTextConvertsWithReplacementCharacters) {
    EXPECT_EQ(FB::variant("a\xFF").convertTo<std::wstring>(), L"a\xFFFD");
    EXPECT_EQ(FB::variant(std::wstring{L'x', static_cast<wchar_t>(0xD800)}).convertTo<std::string>(), "x\xEF\xBF\xBD");
}

TEST(VariantTextConversion, ValuesWithoutTextFail) {
    expectBadVariantCast<vd::empty, std::string>([] { FB::variant().convertTo<std::string>(); });
    expectBadVariantCast<vd::null, std::wstring>([] { FB::variant(vd::null()).convertTo<std::wstring>(); });
    expectBadVariantCast<FB::VariantMap, std::string>([] { FB::variant(FB::VariantMap{}).convertTo<std::string>(); });
    expectBadVariantCast<FB::VariantList, std::wstring>([] { FB::variant(FB::VariantList{}).convertTo<std::wstring>(); });
}

}  // namespace
