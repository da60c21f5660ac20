#include "app/util/code_page_text.h"
#include "app/util/path_directory.h"
#include "app/util/registry_settings.h"
#include "platform/registry/win_registry.h"
#include "platform/registry/win_registry_testing.h"

#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char* const kChineseGbk = "d:\\\xD6\xD0\xCE\xC4\\snap";  // d:\中文\snap
const char* const kChineseUtf8 = "d:\\\xE4\xB8\xAD\xE6\x96\x87\\snap";

class RegistrySettingsTest : public ::testing::Test {
protected:
    test_support::ScopedMachineFolders machine;
};

TEST_F(RegistrySettingsTest, GbkTextRoundTripsStoredAsAnsiBytesAndOneZero) {
    ASSERT_EQ(RegistrySettings::SetString(L"SnapSavePath", kChineseGbk), 0);
    EXPECT_EQ(RegistrySettings::GetString(L"snapsavepath"), kChineseGbk);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\ZelkPlugin", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExW(key, L"SnapSavePath", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, std::strlen(kChineseGbk) + 1);
    // One ASCII character written as UTF-16 by another tool reads back as that character.
    RegSetValueExW(key, L"Debug", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"1"), sizeof(L"1"));
    RegCloseKey(key);
    EXPECT_EQ(RegistrySettings::GetString(L"Debug"), "1");
}

TEST_F(RegistrySettingsTest, MissingOversizedOrUnopenableValuesAnswerFailureAndKeepTheCallersText) {
    std::string value = "default";
    EXPECT_EQ(RegistrySettings::GetString(L"RecSavePath", value), -1);  // no key yet
    RegistrySettings::SetString(L"Other", "x");
    EXPECT_EQ(RegistrySettings::GetString(L"RecSavePath", value), -1);  // no value
    EXPECT_EQ(value, "default");

    // 1,023 bytes of text read back whole; one more, with or without its zero, reads as missing.
    const std::string fits(1023, 'a');
    RegistrySettings::SetString(L"Long", fits.c_str());
    EXPECT_EQ(RegistrySettings::GetString(L"Long", value), 0);
    EXPECT_EQ(value, fits);
    RegistrySettings::SetString(L"Long", std::string(1024, 'b').c_str());
    EXPECT_EQ(RegistrySettings::GetString(L"Long", value), -1);
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\ZelkPlugin", 0, KEY_ALL_ACCESS, &key);
    RegSetValueExW(key, L"Long", 0, REG_SZ, reinterpret_cast<const BYTE*>(std::string(1024, 'c').data()), 1024);
    RegCloseKey(key);
    EXPECT_EQ(RegistrySettings::GetString(L"Long", value), -1);
    EXPECT_EQ(value, fits);

    platform::testing::setRegistryKeyOpeningFails(true);
    EXPECT_EQ(RegistrySettings::GetString(L"Other", value), -1);
    EXPECT_EQ(RegistrySettings::SetString(L"Other", "y"), -1);
    platform::testing::setRegistryKeyOpeningFails(false);
    EXPECT_EQ(value, fits);
    EXPECT_EQ(RegistrySettings::GetString(L"Other"), "x");  // nothing was written
}

TEST(PathDirectory, KeepsEverythingUpToTheLastSeparatorOfEitherKind) {
    const auto directory = [](const char* path) {
        std::string folder = "x";
        EXPECT_EQ(GetPathDirectory(path, folder), 1);
        return folder;
    };
    EXPECT_EQ(directory("C:\\a\\b.dll"), "C:\\a\\");
    EXPECT_EQ(directory("x/y\\z"), "x/y\\");
    EXPECT_EQ(directory("file.txt"), "");
}

TEST(CodePageText, ChineseRoundTripsAndMissingCharactersBecomeQuestionMarks) {
    char ansi[64];
    Utf8ToAnsi(ansi, kChineseUtf8, sizeof(ansi));
    EXPECT_STREQ(ansi, kChineseGbk);
    EXPECT_EQ(AnsiToUtf8(ansi), kChineseUtf8);
    Utf8ToAnsi(ansi,
               "a\xF0\x9F\x98\x80"
               "b",
               sizeof(ansi));  // an emoji between a and b
    EXPECT_STREQ(ansi, "a?b");
}

TEST(CodePageText, TextThatDoesNotFitIsCutInsideTheBufferOnACharacterBoundary) {
    // "中文中文" needs 8 GBK bytes; 6 bytes of room keep two whole characters (4 bytes + terminator).
    char ansi[8];
    std::memset(ansi, '#', sizeof(ansi));
    Utf8ToAnsi(ansi, "\xE4\xB8\xAD\xE6\x96\x87\xE4\xB8\xAD\xE6\x96\x87", 6);
    EXPECT_STREQ(ansi, "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(ansi[6], '#');

    // 100 GBK characters become 300 UTF-8 bytes: at most 254 of them (84 whole characters) are kept.
    std::string longAnsi;
    for (int i = 0; i < 100; ++i) longAnsi += "\xD6\xD0";
    char utf8[300];
    std::memset(utf8, '#', sizeof(utf8));
    AnsiToUtf8(utf8, longAnsi.c_str());
    EXPECT_EQ(std::strlen(utf8), 252u);
    for (size_t i = kAnsiToUtf8Size; i < sizeof(utf8); ++i) ASSERT_EQ(utf8[i], '#') << i;
}

}  // namespace
