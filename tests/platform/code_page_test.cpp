#include "platform/win_code_page.h"
#include "platform/win_error.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kChineseGbk = "\xD6\xD0\xCE\xC4";  // 中文
const std::wstring kChineseWide = L"\x4E2D\x6587";

TEST(CodePage, GbkRoundTripsChineseText) {
    wchar_t wide[8] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, kChineseGbk.c_str(), -1, wide, 8), 3);
    EXPECT_EQ(std::wstring(wide), kChineseWide);

    char back[8] = {};
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, back, 8, nullptr, nullptr), 5);
    EXPECT_EQ(std::string(back), kChineseGbk);
}

TEST(CodePage, LengthRulesFollowThePlatform) {
    // -1 counts the terminator, an explicit length does not add one.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, kChineseGbk.c_str(), -1, nullptr, 0), 3);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, kChineseGbk.c_str(), 4, nullptr, 0), 2);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, kChineseWide.c_str(), 2, nullptr, 0, nullptr, nullptr), 4);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, kChineseWide.c_str(), -1, nullptr, 0, nullptr, nullptr), 7);

    // A buffer one short fails and writes nothing past its end.
    char small[4] = {'x', 'x', 'x', 'x'};
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, kChineseWide.c_str(), -1, small, 4, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

    // A zero or negative source length other than -1 is refused.
    wchar_t wide[4];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "ab", 0, wide, 4), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "ab", -2, wide, 4), 0);
    EXPECT_EQ(MultiByteToWideChar(12345, 0, "ab", 2, wide, 4), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(CodePage, CharactersGbkLacksBecomeTheDefaultCharacter) {
    const wchar_t text[] = {L'a', static_cast<wchar_t>(0x1F600), L'b', 0};
    char out[8] = {};
    BOOL usedDefault = FALSE;
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, out, 8, nullptr, &usedDefault), 4);
    EXPECT_STREQ(out, "a?b");
    EXPECT_TRUE(usedDefault);

    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, out, 8, "*", &usedDefault), 4);
    EXPECT_STREQ(out, "a*b");

    // UTF-8 takes no default character.
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, -1, out, 8, "*", nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(CodePage, InvalidInputIsReplacedOrRefusedOnRequest) {
    const char badGbk[] = "a\xFF" "b";
    wchar_t wide[8] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, badGbk, -1, wide, 8), 4);
    EXPECT_EQ(wide[1], L'\xFFFD');
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, badGbk, -1, wide, 8), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));

    // A lead byte cut off at the end of the text.
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xD6", 1, wide, 8), 1);
    EXPECT_EQ(wide[0], L'\xFFFD');

    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xC3(", 2, wide, 8), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));

    const wchar_t loneSurrogate[] = {static_cast<wchar_t>(0xD800), 0};
    char out[8] = {};
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, loneSurrogate, -1, out, 8, nullptr, nullptr), 0);
    ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, loneSurrogate, -1, out, 8, nullptr, nullptr), 4);
    EXPECT_STREQ(out, "\xEF\xBF\xBD");
}

}  // namespace
