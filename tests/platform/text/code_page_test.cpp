#include "platform/text/win_code_page.h"
#include "platform/base/win_error.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kChineseGbk = "\xD6\xD0\xCE\xC4";  // 中文
const std::wstring kChineseWide = L"\x4E2D\x6587";

TEST(CodePage, GbkRoundTripsChineseTextUnderThePlatformsLengthRules) {
    wchar_t wide[8] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, kChineseGbk.c_str(), -1, wide, 8), 3);  // -1 counts the terminator
    EXPECT_EQ(std::wstring(wide), kChineseWide);
    char back[8] = {};
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, back, 8, nullptr, nullptr), 5);
    EXPECT_EQ(std::string(back), kChineseGbk);

    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, kChineseGbk.c_str(), 4, nullptr, 0), 2);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, kChineseWide.c_str(), -1, nullptr, 0, nullptr, nullptr), 7);
    char small[4] = {'x', 'x', 'x', 'x'};  // one short: refused, nothing written past its end
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, kChineseWide.c_str(), -1, small, 4, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    for (const auto& [codePage, length] : {std::pair{CP_ACP, 0}, {CP_ACP, -2}, {12345, 2}}) {
        SetLastError(0);
        EXPECT_EQ(MultiByteToWideChar(codePage, 0, "ab", length, wide, 8), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
}

TEST(CodePage, UnconvertibleOrInvalidInputIsReplacedOrRefusedOnRequest) {
    const wchar_t text[] = {L'a', static_cast<wchar_t>(0x1F600), L'b', 0};
    char out[8] = {};
    BOOL usedDefault = FALSE;
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, out, 8, nullptr, &usedDefault), 4);
    EXPECT_STREQ(out, "a?b");
    EXPECT_TRUE(usedDefault);
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, out, 8, "*", &usedDefault), 4);
    EXPECT_STREQ(out, "a*b");
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, -1, out, 8, "*", nullptr), 0);  // UTF-8 takes none
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    const char badGbk[] =
        "a\xFF"
        "b";  // characters GBK lacks above, bytes that are no GBK below
    wchar_t wide[8] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, badGbk, -1, wide, 8), 4);
    EXPECT_EQ(wide[1], L'\xFFFD');
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xD6", 1, wide, 8), 1);  // a lead byte cut off at the end
    EXPECT_EQ(wide[0], L'\xFFFD');
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, badGbk, -1, wide, 8), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xC3(", 2, wide, 8), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));

    const wchar_t loneSurrogate[] = {static_cast<wchar_t>(0xD800), 0};
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, loneSurrogate, -1, out, 8, nullptr, nullptr), 0);
    ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, loneSurrogate, -1, out, 8, nullptr, nullptr), 4);
    EXPECT_STREQ(out, "\xEF\xBF\xBD");
}

}  // namespace
