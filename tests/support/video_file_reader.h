#pragma once
// Reads a video file back the way an ordinary player does, with libavformat and libavcodec: what
// its first video track says of itself, every sample with its timing and sync flag, and every
// picture decoded from it. Tests check recorded files with it and decode the files a loopback
// camera serves as the reference, and decode snapshots.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace test_support {

struct VideoFileSample {
    int64_t pts = 0;
    int64_t dts = 0;
    int64_t duration = 0;
    bool key = false;  // a sync sample, as the file marks it
    size_t size = 0;
};

struct VideoFile {
    bool opened = false;  // libavformat opened the file and found a video track
    std::string codec;    // "h264"
    int width = 0;
    int height = 0;
    int timeScale = 0;     // ticks per second of the track's time stamps
    int64_t duration = 0;  // of the track, in its ticks; 0 when the file does not say
    int profile = 0;
    int level = 0;
    std::vector<VideoFileSample> samples;
    std::vector<std::vector<uint8_t>> pictures;  // packed I420, in output order (when kept)
    std::vector<int64_t> picturePts;             // each picture's presentation time, in track ticks
    int decodeErrors = 0;                        // samples the decoder refused
};

// What ReadVideoFile keeps of each picture it decodes: its bytes and time, or its time alone (a
// long recording of large pictures is checked without holding them all).
enum class DecodedPictures { kKept, kTimesOnly };

// Never throws; a file that cannot be opened gives opened == false. A still picture (a JPEG file)
// reads as a video of one picture.
VideoFile ReadVideoFile(const std::filesystem::path& file, DecodedPictures kept = DecodedPictures::kKept);

// What the ffmpeg tool reports as errors when it copies the file's video into another MP4 and
// decodes it: empty for a file every player reads cleanly.
std::string FfmpegErrors(const std::filesystem::path& file);

// The largest difference between two pictures of one size, sample by sample; 256 when the sizes
// differ.
int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

}  // namespace test_support
