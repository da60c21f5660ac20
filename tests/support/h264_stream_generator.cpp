#include "tests/support/h264_stream_generator.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace test_support {

ScopedTempDir::ScopedTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "veltrin-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    path_ = pattern;
}

ScopedTempDir::~ScopedTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

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

std::filesystem::path WriteH264Stream(const H264StreamOptions& options, const std::filesystem::path& dir) {
    const std::string size = std::to_string(options.width) + "x" + std::to_string(options.height);
    const std::filesystem::path file = dir / ("testsrc_" + size + "_" + options.profile + "_" +
                                              std::to_string(options.frames) + ".h264");
    std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc=size=" + size +
                          ":rate=25 -frames:v " + std::to_string(options.frames) +
                          " -pix_fmt yuv420p -c:v libx264 -preset " + options.preset + " -profile:v " +
                          options.profile;
    if (!options.x264Params.empty()) {
        command += " -x264-params '" + options.x264Params + "'";
    }
    command += " -f h264 '" + file.string() + "'";
    if (std::system(command.c_str()) != 0) {
        throw std::runtime_error("ffmpeg failed: " + command);
    }
    return file;
}

std::vector<uint8_t> MakeH264Stream(const H264StreamOptions& options) {
    ScopedTempDir dir;
    return ReadFileBytes(WriteH264Stream(options, dir.path()));
}

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + file.string());
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace test_support
