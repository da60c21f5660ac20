#pragma once
// Reads a JPEG file of a 4:2:0 YCbCr picture back into packed I420 bytes with libjpeg's raw-data
// decoding, so that a test compares it sample by sample with the picture it was made from.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace test_support {

struct JpegPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> i420;  // empty when the file is not a 4:2:0 YCbCr JPEG
};

// Never throws and never ends the process: a damaged file gives an empty picture.
JpegPicture ReadJpegFile(const std::filesystem::path& file);

// The largest difference between two pictures of the same size, or 256 when the sizes differ.
int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

}  // namespace test_support
