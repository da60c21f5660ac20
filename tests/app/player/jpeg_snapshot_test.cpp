// JPEG files of I420 pictures: any picture size comes back at its size and samples, and a file that
// cannot be written leaves nothing behind.
#include "app/player/jpeg_snapshot.h"

#include "tests/support/video_file_reader.h"
#include "tests/support/scoped_file_size_limit.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

// A picture of gradients, laid out for its height and padded as the encoder reads it.
std::vector<uint8_t> Gradients(int width, int height) {
    std::vector<uint8_t> picture(JpegInputSize(width, height), 0);
    const size_t shown = static_cast<size_t>(width) * height * 3 / 2;
    for (size_t i = 0; i < shown; ++i) picture[i] = static_cast<uint8_t>(i * 7 / 5 % 200 + 16);
    return picture;
}

TEST(JpegSnapshot, APictureOfAnySizeComesBackAtItsSizeAndSamples) {
    test_support::ScopedTempDir dir;
    for (const auto& [width, height] : {std::pair{64, 32}, std::pair{100, 50}}) {
        const std::vector<uint8_t> picture = Gradients(width, height);
        const std::string name = (dir.path() / "picture.jpg").string();
        ASSERT_EQ(WriteJpegFile(name.c_str(), picture.data(), width, height), 0);
        const test_support::VideoFile read = test_support::ReadVideoFile(name);
        ASSERT_EQ(read.pictures.size(), 1u);
        EXPECT_EQ((std::vector<int>{read.width, read.height}), (std::vector<int>{width, height}));
        const std::vector<uint8_t> shown(picture.begin(), picture.begin() + width * height * 3 / 2);
        EXPECT_LE(test_support::LargestDifference(read.pictures[0], shown), 2) << width << " x " << height;
    }
}

TEST(JpegSnapshot, AFileThatCannotBeWrittenAnswersMinusOneAndIsRemoved) {
    test_support::ScopedTempDir dir;
    const std::vector<uint8_t> picture = Gradients(320, 240);
    EXPECT_EQ(WriteJpegFile((dir.path() / "missing" / "a.jpg").c_str(), picture.data(), 320, 240), -1);

    int result = 0;
    {
        const test_support::ScopedFileSizeLimit fullAfter(1000);
        result = WriteJpegFile((dir.path() / "full.jpg").c_str(), picture.data(), 320, 240);
    }
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
