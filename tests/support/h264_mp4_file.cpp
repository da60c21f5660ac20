#include "tests/support/h264_mp4_file.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace test_support {

void WriteH264Mp4File(const std::filesystem::path& file, int width, int height, int frames, int keyFrameInterval,
                      const std::string& encoderOptions, int framesPerSecond) {
    const std::string target = file.string();
    if (target.find('\'') != std::string::npos) {
        throw std::runtime_error("MP4 path must not contain a quote: " + target);
    }
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc=size=" + std::to_string(width) + "x" +
        std::to_string(height) + ":rate=" + std::to_string(framesPerSecond) + " -frames:v " + std::to_string(frames) +
        " -c:v libx264 -preset veryfast -pix_fmt yuv420p -g " + std::to_string(keyFrameInterval) + " -bf 0 " +
        encoderOptions + " '" + target + "'";
    if (std::system(command.c_str()) != 0) {
        throw std::runtime_error("ffmpeg could not write " + target);
    }
}

}  // namespace test_support
