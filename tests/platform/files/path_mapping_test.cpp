#include "platform/files/path_mapping.h"
#include "platform/files/win_file.h"
#include "platform/files/win_shell_folders.h"

#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

class PathMapping : public ::testing::Test {
protected:
    test_support::ScopedMachineFolders machine;
};

TEST_F(PathMapping, DrivePathsMapBelowTheDriveRootNeverAboveTheirDriveAndOtherPathsPassThrough) {
    const auto& root = machine.driveRoot();
    EXPECT_EQ(platform::hostPath(L"D:\\log.txt"), root / "d" / "log.txt");
    EXPECT_EQ(platform::hostPath(L"c:/Windows\\Fonts/simhei.ttf"), root / "c" / "Windows" / "Fonts" / "simhei.ttf");
    EXPECT_EQ(platform::hostPath(L"E:"), root / "e");
    EXPECT_EQ(platform::hostPath(L"d:\\a\\.\\b\\..\\c.txt"), root / "d" / "a" / "c.txt");
    EXPECT_EQ(platform::hostPath(L"d:\\..\\..\\..\\etc\\passwd"), root / "d" / "etc" / "passwd");
    // "D:\中文\a.txt" in GBK reaches the file system as UTF-8.
    EXPECT_EQ(platform::hostPathFromAnsi("D:\\\xD6\xD0\xCE\xC4\\a.txt"),
              root / "d" / "\xE4\xB8\xAD\xE6\x96\x87" / "a.txt");
    // POSIX and relative paths pass through with their separators unified.
    EXPECT_EQ(platform::hostPath(L"/tmp/a\\b"), std::filesystem::path("/tmp/a/b"));
    EXPECT_EQ(platform::hostPath(L"bmp\\moveUp.bmp"), std::filesystem::path("bmp/moveUp.bmp"));
}

TEST_F(PathMapping, LogFileCallsWorkOnMappedPaths) {
    std::filesystem::create_directories(machine.driveRoot() / "d");
    FILE* file = nullptr;
    ASSERT_EQ(fopen_s(&file, "d:\\log.txt", "a+"), 0);
    std::fclose(file);
    EXPECT_TRUE(std::filesystem::exists(machine.driveRoot() / "d" / "log.txt"));
    EXPECT_NE(fopen_s(&file, "q:\\missing\\x.txt", "r"), 0);
    EXPECT_EQ(file, nullptr);

    // Renaming onto an existing file fails, as on the original platform; removing first works.
    std::ofstream(machine.driveRoot() / "d" / "log_bak.txt") << "old";
    EXPECT_NE(_wrename(L"d:\\log.txt", L"d:\\log_bak.txt"), 0);
    EXPECT_EQ(_wremove(L"d:\\log_bak.txt"), 0);
    EXPECT_EQ(_wrename(L"d:\\log.txt", L"d:\\log_bak.txt"), 0);
    EXPECT_FALSE(std::filesystem::exists(machine.driveRoot() / "d" / "log.txt"));
    EXPECT_NE(_wremove(L"d:\\log.txt"), 0);
}

TEST_F(PathMapping, FontsFolderIsTheWindowsFontsFolderOnDriveC) {
    wchar_t path[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_FONTS, TRUE));
    EXPECT_STREQ(path, L"C:\\Windows\\Fonts");
    EXPECT_TRUE(std::filesystem::is_directory(machine.driveRoot() / "c" / "Windows" / "Fonts"));
    EXPECT_FALSE(SHGetSpecialFolderPathW(nullptr, path, 0x0005, FALSE));
}

}  // namespace
