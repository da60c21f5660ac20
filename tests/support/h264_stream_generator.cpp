#include "tests/support/h264_stream_generator.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace test_support {

H264StreamOptions StreamOptions(int width, int height, int frames, const std::string& profile,
                                const std::string& x264Params) {
    H264StreamOptions options;
    options.width = width;
    options.height = height;
    options.frames = frames;
    options.profile = profile;
    options.x264Params = x264Params;
    return options;
}

std::vector<uint8_t> MakeH264Stream(const H264StreamOptions& options) {
    const std::string size = std::to_string(options.width) + "x" + std::to_string(options.height);
    std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc=size=" + size +
                          ":rate=25 -frames:v " + std::to_string(options.frames) + " -pix_fmt " + options.pixelFormat +
                          " -c:v libx264 -preset " + options.preset + " -profile:v " + options.profile;
    if (!options.filter.empty()) command += " -vf '" + options.filter + "'";
    if (!options.x264Params.empty()) command += " -x264-params '" + options.x264Params + "'";
    ScopedTempDir dir;
    const std::filesystem::path file = dir.path() / "stream.h264";
    command += " -f h264 '" + file.string() + "'";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("ffmpeg failed: " + command);
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace test_support
