#pragma once
// MP4 files with an H.264 stream, made at test time with the ffmpeg command-line tool (libx264
// encoding ffmpeg's "testsrc" pattern), for the loopback camera to serve.

#include <filesystem>
#include <string>

namespace test_support {

// Writes frames pictures of the given size, framesPerSecond a second, one key frame every
// keyFrameInterval pictures, to file; encoderOptions are further ffmpeg output options, e.g.
// "-x264-params slices=4" (given after the defaults, so "-pix_fmt yuv422p" or "-bf 2" replace them).
// Throws std::runtime_error when ffmpeg fails.
void WriteH264Mp4File(const std::filesystem::path& file, int width, int height, int frames, int keyFrameInterval,
                      const std::string& encoderOptions = "", int framesPerSecond = 25);

// Copies the pictures of such a file (without B pictures) from picture `first` on into another,
// its times starting at 0, as a camera joined in the middle of a group of pictures sends them: the
// predicted pictures before the next key picture included. Throws std::runtime_error when ffmpeg
// fails.
void CopyH264Mp4FileFrom(const std::filesystem::path& from, const std::filesystem::path& to, int first,
                         int framesPerSecond = 25);

// Copies such a file from its key picture at or before picture `first` on, as ffmpeg cuts a file
// it is told to read from there: what a camera joined at that key picture sends. Pictures sent after
// the key picture that are shown before it stay, with times before 0. Throws std::runtime_error
// when ffmpeg fails.
void CopyH264Mp4FileFromKeyPicture(const std::filesystem::path& from, const std::filesystem::path& to, int first,
                                   int framesPerSecond = 25);

}  // namespace test_support
