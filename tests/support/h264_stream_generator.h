#pragma once
// Makes small H.264 Annex B test streams at test time with the ffmpeg command-line tool (libx264
// encoding the synthetic "testsrc" pattern) in a temporary folder that is removed afterwards.

#include "tests/support/scoped_machine_folders.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace test_support {

struct H264StreamOptions {
    int width = 320;
    int height = 240;
    int frames = 10;
    std::string profile = "baseline";  // baseline, main or high
    std::string x264Params;            // extra libx264 options, e.g. "slices=4" or "cqm=jvt"
    std::string preset = "veryfast";
    std::string pixelFormat = "yuv420p";
    std::string filter;  // extra ffmpeg video filter, e.g. "noise=alls=12:allf=t" for camera-like grain
};

// Options for a stream of the given size, frame count, profile and extra libx264 options.
H264StreamOptions StreamOptions(int width, int height, int frames, const std::string& profile,
                                const std::string& x264Params = "");

// Encodes the stream in a temporary folder and returns its bytes; throws std::runtime_error when
// ffmpeg fails.
std::vector<uint8_t> MakeH264Stream(const H264StreamOptions& options);

}  // namespace test_support
