#pragma once
// Decodes a video or picture file with the ffmpeg command-line tool: the reference the tests
// compare the plug-in's pictures with, made by a program of its own rather than by the code under
// test. The decoder crops exactly as the stream says (the tool is told "-flags unaligned").

#include "app/render/sample_range.h"
#include "tests/support/picture_compare.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

namespace test_support {

using PictureVisitor = std::function<void(const std::vector<uint8_t>& picture)>;

// Hands every picture of the file, brought to 8-bit 4:2:0 with samples in the range given, to the
// visitor as I420 of width x height laid out as the frame path lays it out (see picture_compare.h;
// the bytes an odd size leaves between and after the chroma planes are 128), one at a time as the
// tool gives them. Throws std::runtime_error when ffmpeg fails or gives pictures of another size.
void VisitPicturesWithFfmpegTool(const std::filesystem::path& file, int width, int height, SampleRange range,
                                 const PictureVisitor& visit);

// The same pictures, all of them.
std::vector<std::vector<uint8_t>> DecodeWithFfmpegTool(const std::filesystem::path& file, int width, int height,
                                                       SampleRange range);

// Every picture of the file converted to RGB by ffmpeg, as a player shows it. Throws as above.
std::vector<RgbPicture> DecodeToRgbWithFfmpegTool(const std::filesystem::path& file, int width, int height);

}  // namespace test_support
