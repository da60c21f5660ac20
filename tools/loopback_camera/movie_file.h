// The movie a loopback camera serves with --file: an MP4 file with an H.264 video track, which the
// camera's RTSP server demuxes and sends as it is.
#pragma once

#include <filesystem>
#include <string>

// Why the camera cannot serve the file, for its user; empty when it can. Reads only the file's
// header and the start of its tracks.
std::string WhyMovieCannotBeServed(const std::filesystem::path& file);
