// Folder paths made level by level, as snapshots and recordings need them.
#include "app/player/video_player.h"

#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

namespace {

class MakeDirTreeTest : public ::testing::Test {
protected:
    test_support::ScopedMachineFolders machine;
    const std::filesystem::path drive = machine.driveRoot() / "d";
};

TEST_F(MakeDirTreeTest, MakesEveryLevelWhateverTheSeparatorAndKeepsWhatExists) {
    MakeDirTree("D:/video/2024/may");
    EXPECT_TRUE(std::filesystem::is_directory(drive / "video" / "2024" / "may"));
    MakeDirTree("D:\\video\\2024\\june\\");
    EXPECT_TRUE(std::filesystem::is_directory(drive / "video" / "2024" / "june"));
    EXPECT_TRUE(std::filesystem::is_directory(drive / "video" / "2024" / "may"));
    MakeDirTree(nullptr);
    MakeDirTree("");
}

TEST_F(MakeDirTreeTest, ADoubleByteCharacterEndingInTheBackslashByteIsNoSeparator) {
    MakeDirTree(
        "D:\\a\x81\x5C"
        "b\\c");  // "a乗b\c" in GBK: the 5C belongs to the character
    EXPECT_TRUE(std::filesystem::is_directory(drive /
                                              "a\xE4\xB9\x97"
                                              "b" /
                                              "c"));
    size_t levels = 0;
    for (const auto& entry : std::filesystem::directory_iterator(drive)) levels += entry.is_directory();
    EXPECT_EQ(levels, 1u);
}

}  // namespace
