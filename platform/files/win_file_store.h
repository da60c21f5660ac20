// The small files the platform keeps for itself (registry hives, settings files): read whole with
// a bound on their size, and replaced atomically.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The file's bytes; empty when there is no file yet; nothing when it is there but cannot be read
// or holds more than maxBytes, so that the caller never replaces a file it could not read.
std::optional<std::string> readWholeFile(const std::filesystem::path& file, std::uintmax_t maxBytes);

// Writes the bytes to a temporary file beside the file and renames it over the file, so that no
// crash leaves a half-written file. False, with the file unchanged, when either step fails.
bool replaceFile(const std::filesystem::path& file, std::string_view bytes);

}  // namespace platform
