// The camera-like stream of the benchmarks: FFmpeg's test picture with moving grain, 1080p at
// 25 fps, H.264 main profile at a camera's bit rate (6 Mbit/s, no B-frames, a key picture every
// second), which costs about what a real camera's pictures cost to decode.
#pragma once

#include <filesystem>

namespace bench_support {

// The stream as an MP4 file of the given number of pictures, for the loopback camera to serve. Made
// once and kept in the user's temporary folder, so that later runs start at once; empty when ffmpeg
// cannot make it.
std::filesystem::path GrainFile(int pictures);

}  // namespace bench_support
