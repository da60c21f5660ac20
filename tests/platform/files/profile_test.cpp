#include "platform/files/win_profile.h"

#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

class ProfileFile : public ::testing::Test {
protected:
    static std::wstring read(const wchar_t* section, const wchar_t* key, const wchar_t* fallback,
                             const wchar_t* file = L"x.ini", DWORD size = 64) {
        std::wstring buffer(size, L'#');
        const DWORD copied = GetPrivateProfileStringW(section, key, fallback, buffer.data(), size, file);
        EXPECT_EQ(buffer[copied], L'\0');
        return buffer.substr(0, copied);
    }
    std::string windowsFile(const char* name) const {
        std::ifstream in(machine.driveRoot() / "c" / "Windows" / name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    test_support::ScopedMachineFolders machine;
};

TEST_F(ProfileFile, BareNamesLiveInTheWindowsFolderAndLongValuesAreCutToTheBuffer) {
    EXPECT_EQ(read(L"System", L"VideoRenderGDI", L"0", L"VeltrinConfig.ini"), L"0");
    ASSERT_TRUE(WritePrivateProfileStringW(L"System", L"VideoRenderGDI", L"1", L"VeltrinConfig.ini"));
    EXPECT_EQ(windowsFile("VeltrinConfig.ini"), "[System]\r\nVideoRenderGDI=1\r\n");
    EXPECT_EQ(read(L"system", L"videorendergdi", L"0", L"VeltrinConfig.ini"), L"1");
    WritePrivateProfileStringW(L"S", L"K", L"abcdefgh", L"x.ini");
    EXPECT_EQ(read(L"S", L"K", L"", L"x.ini", 4), L"abc");
}

TEST_F(ProfileFile, ReadsHandWrittenFilesWithBlanksQuotesAndGbk) {
    std::filesystem::create_directories(machine.driveRoot() / "d");
    std::ofstream(machine.driveRoot() / "d" / "a.ini")
        << "; comment\n[Other]\nKey=no\n[ Main ]\n  Key =  \"quoted\"  \n"
           "Name=\xD6\xD0\xCE\xC4\n";
    EXPECT_EQ(read(L"Main", L"Key", L"", L"D:\\a.ini"), L"quoted");
    EXPECT_EQ(read(L"Main", L"Name", L"", L"d:/a.ini"), L"\x4E2D\x6587");
    EXPECT_EQ(read(L"Main", L"Missing", L"dflt  ", L"D:\\a.ini"), L"dflt");
}

TEST_F(ProfileFile, WritesReplaceAddAndRemoveKeepingOtherLines) {
    WritePrivateProfileStringW(L"A", L"one", L"1", L"x.ini");
    WritePrivateProfileStringW(L"B", L"two", L"2", L"x.ini");
    WritePrivateProfileStringW(L"A", L"three", L"3", L"x.ini");
    WritePrivateProfileStringW(L"a", L"ONE", L"uno", L"x.ini");
    EXPECT_EQ(windowsFile("x.ini"), "[A]\r\nONE=uno\r\nthree=3\r\n[B]\r\ntwo=2\r\n");
    WritePrivateProfileStringW(L"A", L"three", nullptr, L"x.ini");
    WritePrivateProfileStringW(L"B", nullptr, nullptr, L"x.ini");
    EXPECT_EQ(windowsFile("x.ini"), "[A]\r\nONE=uno\r\n");
}

TEST_F(ProfileFile, FileTooLargeToBeASettingsFileReadsAsEmptyAndIsNeverRewritten) {
    WritePrivateProfileStringW(L"A", L"one", L"1", L"x.ini");
    const auto file = machine.driveRoot() / "c" / "Windows" / "x.ini";
    std::filesystem::resize_file(file, 2 * 1024 * 1024);
    EXPECT_EQ(read(L"A", L"one", L"none"), L"none");
    EXPECT_FALSE(WritePrivateProfileStringW(L"A", L"two", L"2", L"x.ini"));
    EXPECT_EQ(std::filesystem::file_size(file), 2u * 1024 * 1024);
}

}  // namespace
