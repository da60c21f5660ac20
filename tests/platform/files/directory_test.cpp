#include "platform/base/win_error.h"
#include "platform/files/win_directory.h"

#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

class CreateDirectory : public ::testing::Test {
protected:
    // Creates the path and answers the last error (0 when it was made).
    static DWORD Create(const wchar_t* path) {
        SetLastError(0);
        return CreateDirectoryW(path, nullptr) ? 0 : GetLastError();
    }
    test_support::ScopedMachineFolders machine;
};

TEST_F(CreateDirectory, MakesOneLevelOnAnExistingDriveAndReportsWhyItCannot) {
    EXPECT_EQ(Create(L"D:\\snaps"), 0u);  // the drive's folder appears with its first directory
    EXPECT_TRUE(std::filesystem::is_directory(machine.driveRoot() / "d" / "snaps"));
    EXPECT_EQ(Create(L"d:/snaps"), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(Create(L"D:\\a\\b"), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Create(L"D:"), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Create(L"E:\\"), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Create(L""), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(CreateDirectoryW(nullptr, nullptr));
    std::ofstream(machine.driveRoot() / "d" / "file.txt") << "x";
    EXPECT_EQ(Create(L"D:\\file.txt"), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
}

TEST_F(CreateDirectory, AnsiPathsInGbkReachTheFileSystemAsUtf8) {
    EXPECT_TRUE(CreateDirectoryA("D:\\\xD6\xD0\xCE\xC4", nullptr));  // "中文"
    EXPECT_TRUE(std::filesystem::is_directory(machine.driveRoot() / "d" / "\xE4\xB8\xAD\xE6\x96\x87"));
    EXPECT_FALSE(CreateDirectoryA(nullptr, nullptr));
}

}  // namespace
