#include "platform/text/utf_text.h"

#include <gtest/gtest.h>

namespace {

TEST(UtfText, RoundTripsChineseAndAstralText) {
    const std::string text = "\xE4\xB8\xAD\xE6\x96\x87 ok \xF0\x9F\x98\x80";
    const std::wstring wide = platform::utf8ToWideText(text);
    EXPECT_EQ(wide, (std::wstring{L'\x4E2D', L'\x6587', L' ', L'o', L'k', L' ', static_cast<wchar_t>(0x1F600)}));
    EXPECT_EQ(platform::wideToUtf8Text(wide), text);
}

TEST(UtfText, InvalidInputBecomesTheReplacementCharacterNeverAnError) {
    EXPECT_EQ(platform::utf8ToWideText("a\xFF"
                                       "b"),
              (std::wstring{L'a', L'\xFFFD', L'b'}));
    EXPECT_EQ(platform::utf8ToWideText("\xE4\xB8"), std::wstring(1, L'\xFFFD'));  // truncated sequence
    const std::wstring bad{L'x', static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000)};
    EXPECT_EQ(platform::wideToUtf8Text(bad), "x\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
