#include "tests/support/h264_mp4_file.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace test_support {

namespace {

std::string Quoted(const std::filesystem::path& file) {
    const std::string name = file.string();
    if (name.find('\'') != std::string::npos) throw std::runtime_error("MP4 path must not contain a quote: " + name);
    return "'" + name + "'";
}

void RunFfmpegWriting(const std::string& arguments, const std::filesystem::path& target) {
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y " + arguments + " " + Quoted(target);
    if (std::system(command.c_str()) != 0) throw std::runtime_error("ffmpeg could not write " + target.string());
}

// The first picture's time rounded down.
std::string CutTime(int first, int framesPerSecond) {
    return std::to_string(1000000LL * first / framesPerSecond) + "us";
}

}  // namespace

void WriteH264Mp4File(const std::filesystem::path& file, int width, int height, int frames, int keyFrameInterval,
                      const std::string& encoderOptions, int framesPerSecond) {
    RunFfmpegWriting("-f lavfi -i testsrc=size=" + std::to_string(width) + "x" + std::to_string(height) +
                         ":rate=" + std::to_string(framesPerSecond) + " -frames:v " + std::to_string(frames) +
                         " -c:v libx264 -preset veryfast -pix_fmt yuv420p -g " + std::to_string(keyFrameInterval) +
                         " -bf 0 " + encoderOptions,
                     file);
}

// Cut while writing: the tool keeps the pictures at or after the time.
void CopyH264Mp4FileFrom(const std::filesystem::path& from, const std::filesystem::path& to, int first,
                         int framesPerSecond) {
    RunFfmpegWriting("-i " + Quoted(from) + " -ss " + CutTime(first, framesPerSecond) + " -c copy -copyinkf", to);
}

// Cut while reading: the tool seeks to the key picture at or before the time.
void CopyH264Mp4FileFromKeyPicture(const std::filesystem::path& from, const std::filesystem::path& to, int first,
                                   int framesPerSecond) {
    RunFfmpegWriting("-ss " + CutTime(first, framesPerSecond) + " -i " + Quoted(from) + " -c copy", to);
}

}  // namespace test_support
