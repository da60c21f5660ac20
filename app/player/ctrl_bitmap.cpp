#include "app/player/ctrl_bitmap.h"

#include "app/util/file_owner.h"

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>

namespace {

// The control bar's bitmaps are small; a larger file is not one of them.
constexpr long kMostFileBytes = 16 * 1024 * 1024;

std::vector<uint8_t> ReadBitmapFile(const char* path) {
    FileOwner file = OpenAnsiFile(path, "rb");
    if (!file) return {};
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return {};
    const long size = std::ftell(file.get());
    if (size <= 0 || size > kMostFileBytes || std::fseek(file.get(), 0, SEEK_SET) != 0) return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return {};
    return bytes;
}

// Every image becomes 8-bit blue, green, red, whatever its depth and channels in the file.
cv::Mat DecodeBitmap(const std::vector<uint8_t>& bytes) {
    try {
        return cv::imdecode(bytes, cv::IMREAD_COLOR);
    } catch (const cv::Exception&) {
        return cv::Mat();
    }
}

// The side scaled and truncated, or 0 when it would be below 1 or above most.
int32_t ScaledSide(float scale, int side, int most) {
    const double scaled = scale / 3.0 * side;
    return scaled >= 1.0 && scaled < most + 1.0 ? static_cast<int32_t>(scaled) : 0;
}

}  // namespace

int LoadAndResizeImage(CtrlBitmap& target, const char* path, float sx, float sy, int mostWidth, int mostHeight) {
    const std::vector<uint8_t> bytes = ReadBitmapFile(path);
    if (bytes.empty()) return 0;
    const cv::Mat image = DecodeBitmap(bytes);
    if (image.empty() || image.type() != CV_8UC3) return 0;
    target.clear();
    const int32_t width = ScaledSide(sx, image.cols, mostWidth);
    const int32_t height = ScaledSide(sy, image.rows, mostHeight);
    if (width <= 0 || height <= 0) return 1;
    cv::Mat scaled;
    try {
        cv::resize(image, scaled, cv::Size(width, height), 0, 0, cv::INTER_AREA);
    } catch (const cv::Exception&) {
        return 1;
    }
    target.width = width;
    target.height = height;
    target.stride = width * 3;
    target.data.resize(static_cast<size_t>(target.stride) * height);
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t* from = scaled.ptr<uint8_t>(row);
        uint8_t* to = target.data.data() + static_cast<size_t>(row) * target.stride;
        for (int32_t column = 0; column < width; ++column, from += 3, to += 3) {
            to[0] = from[2];  // the file's blue, green, red becomes red, green, blue
            to[1] = from[1];
            to[2] = from[0];
        }
    }
    return 1;
}
