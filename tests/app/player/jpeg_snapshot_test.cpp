// JPEG files of I420 pictures: any picture size comes back at its size and colours whatever the
// range of its samples, and a file that cannot be written leaves nothing behind.
#include "app/player/jpeg_snapshot.h"

#include "tests/support/ffmpeg_tool_decode.h"
#include "tests/support/picture_compare.h"
#include "tests/support/scoped_file_size_limit.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

// A picture of smooth gradients in luma and in both chroma planes, I420 as the frame path lays it
// out: U from W x H, V from W x H x 5 / 4.
std::vector<uint8_t> Gradients(int width, int height) {
    const size_t lumaSize = static_cast<size_t>(width) * height;
    std::vector<uint8_t> picture(lumaSize * 3 / 2, 128);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) picture[y * width + x] = static_cast<uint8_t>(20 + (x * 3 + y * 2) % 200);
    }
    for (int y = 0; y < height / 2; ++y) {
        for (int x = 0; x < width / 2; ++x) {
            picture[lumaSize + y * (width / 2) + x] = static_cast<uint8_t>(60 + y * 4 % 140);
            picture[lumaSize + lumaSize / 4 + y * (width / 2) + x] = static_cast<uint8_t>(60 + x * 4 % 140);
        }
    }
    return picture;
}

// The largest difference between two pictures of one size, sample by sample.
int LargestDifference(const test_support::RgbPicture& a, const test_support::RgbPicture& b) {
    int largest = a.rgb.size() == b.rgb.size() ? 0 : 256;
    for (size_t i = 0; i < a.rgb.size() && i < b.rgb.size(); ++i) {
        largest = std::max(largest, std::abs(a.rgb[i] - b.rgb[i]));
    }
    return largest;
}

// A player shows the file as the picture's own range shows it: full-range samples are written as
// they are and studio-range ones stretched (unstretched, they would be off by up to 20). Odd sizes
// have their last column and row coloured like their neighbours, not by whatever lies past the
// picture. ffmpeg's own conversion to RGB rounds a little differently for odd sizes.
TEST(JpegSnapshot, APictureOfAnySizeAndRangeComesBackAtItsSizeAndColours) {
    test_support::ScopedTempDir dir;
    for (const auto& [width, height] : {std::pair{64, 32}, std::pair{100, 50}, std::pair{63, 31}, std::pair{5, 1}}) {
        for (SampleRange range : {SampleRange::Studio, SampleRange::Full}) {
            SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) +
                         (range == SampleRange::Full ? " full range" : " studio range"));
            const std::vector<uint8_t> picture = Gradients(width, height);
            const std::string name = (dir.path() / "picture.jpg").string();
            ASSERT_EQ(WriteJpegFile(name.c_str(), picture.data(), width, height, range), 0);
            const auto shown = test_support::DecodeToRgbWithFfmpegTool(name, width, height);
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_LE(LargestDifference(shown[0], test_support::I420ToRgb(picture, width, height, range)), 8);
        }
    }
}

TEST(JpegSnapshot, AFileThatCannotBeWrittenAnswersMinusOneAndIsRemoved) {
    test_support::ScopedTempDir dir;
    const std::vector<uint8_t> picture = Gradients(320, 240);
    EXPECT_EQ(WriteJpegFile((dir.path() / "missing" / "a.jpg").c_str(), picture.data(), 320, 240, SampleRange::Studio),
              -1);

    int result = 0;
    {
        const test_support::ScopedFileSizeLimit fullAfter(1000);
        result = WriteJpegFile((dir.path() / "full.jpg").c_str(), picture.data(), 320, 240, SampleRange::Studio);
    }
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
