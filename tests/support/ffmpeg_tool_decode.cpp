#include "tests/support/ffmpeg_tool_decode.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace test_support {

namespace {

struct PipeCloser {
    void operator()(FILE* pipe) const { pclose(pipe); }
};

std::string Quoted(const std::filesystem::path& file) {
    const std::string name = file.string();
    if (name.find('\'') != std::string::npos) throw std::runtime_error("path must not contain a quote: " + name);
    return "'" + name + "'";
}

// Runs ffmpeg on the file with the output options given, its raw output cut into pictures of
// pictureSize bytes, each handed to take.
void RunTool(const std::filesystem::path& file, const std::string& output, size_t pictureSize,
             const std::function<void(const std::vector<uint8_t>&)>& take) {
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -flags unaligned -i " + Quoted(file) +
                                " -fps_mode passthrough -f rawvideo " + output + " -";
    std::unique_ptr<FILE, PipeCloser> pipe(popen(command.c_str(), "r"));
    if (!pipe) throw std::runtime_error("cannot run " + command);
    std::vector<uint8_t> picture(pictureSize);
    size_t read = 0;
    size_t pictures = 0;
    while ((read = std::fread(picture.data(), 1, pictureSize, pipe.get())) == pictureSize) {
        take(picture);
        ++pictures;
    }
    // A part of a picture left over: the pictures are not of the size asked for.
    if (pclose(pipe.release()) != 0 || read != 0 || pictures == 0) {
        throw std::runtime_error("ffmpeg did not decode " + file.string() + " to pictures of " +
                                 std::to_string(pictureSize) + " bytes");
    }
}

// The tool's I420 has chroma of (W+1)/2 x (H+1)/2 right after the luma; the frame path's leaves
// out an odd last column and row and starts its V plane at W x H x 5 / 4.
std::vector<uint8_t> Repacked(const std::vector<uint8_t>& tool, int width, int height) {
    const size_t lumaSize = static_cast<size_t>(width) * height;
    const int toolChromaWidth = (width + 1) / 2;
    const size_t toolChromaSize = static_cast<size_t>(toolChromaWidth) * ((height + 1) / 2);
    std::vector<uint8_t> packed(lumaSize * 3 / 2, 128);
    std::copy(tool.begin(), tool.begin() + static_cast<ptrdiff_t>(lumaSize), packed.begin());
    const size_t planeStarts[2] = {lumaSize, lumaSize + lumaSize / 4};
    for (int plane = 0; plane < 2; ++plane) {
        const uint8_t* start = tool.data() + lumaSize + plane * toolChromaSize;
        for (int y = 0; y < height / 2; ++y) {
            const uint8_t* row = start + static_cast<size_t>(y) * toolChromaWidth;
            std::copy(row, row + width / 2, packed.begin() + static_cast<ptrdiff_t>(planeStarts[plane] + y * (width / 2)));
        }
    }
    return packed;
}

}  // namespace

void VisitPicturesWithFfmpegTool(const std::filesystem::path& file, int width, int height, SampleRange range,
                                 const PictureVisitor& visit) {
    const size_t pictureSize = static_cast<size_t>(width) * height +
                               2 * static_cast<size_t>((width + 1) / 2) * static_cast<size_t>((height + 1) / 2);
    RunTool(file, range == SampleRange::Full ? "-pix_fmt yuvj420p" : "-pix_fmt yuv420p", pictureSize,
            [&](const std::vector<uint8_t>& picture) { visit(Repacked(picture, width, height)); });
}

std::vector<std::vector<uint8_t>> DecodeWithFfmpegTool(const std::filesystem::path& file, int width, int height,
                                                       SampleRange range) {
    std::vector<std::vector<uint8_t>> pictures;
    VisitPicturesWithFfmpegTool(file, width, height, range,
                                [&](const std::vector<uint8_t>& picture) { pictures.push_back(picture); });
    return pictures;
}

std::vector<RgbPicture> DecodeToRgbWithFfmpegTool(const std::filesystem::path& file, int width, int height) {
    std::vector<RgbPicture> pictures;
    RunTool(file, "-pix_fmt rgb24", static_cast<size_t>(width) * height * 3,
            [&](const std::vector<uint8_t>& picture) { pictures.push_back(RgbPicture{width, height, picture}); });
    return pictures;
}

}  // namespace test_support
