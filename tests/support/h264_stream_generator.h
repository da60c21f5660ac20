#pragma once
// Makes small H.264 Annex B test streams at test time with the ffmpeg command-line tool (libx264
// encoding the synthetic "testsrc" pattern) in a temporary folder that is removed afterwards.

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
};

// A temporary folder under the system's temp dir, removed with everything in it on destruction.
class ScopedTempDir {
public:
    ScopedTempDir();
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Options for a stream of the given size, frame count, profile and extra libx264 options.
H264StreamOptions StreamOptions(int width, int height, int frames, const std::string& profile,
                                const std::string& x264Params = "");

// Encodes the stream into a file in dir and returns the file's path; throws std::runtime_error
// when ffmpeg fails.
std::filesystem::path WriteH264Stream(const H264StreamOptions& options, const std::filesystem::path& dir);

// Encodes the stream in a temporary folder and returns its bytes.
std::vector<uint8_t> MakeH264Stream(const H264StreamOptions& options);

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& file);

}  // namespace test_support
