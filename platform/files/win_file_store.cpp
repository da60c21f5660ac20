#include "platform/files/win_file_store.h"

#include <unistd.h>

#include <fstream>

namespace platform {

std::optional<std::string> readWholeFile(const std::filesystem::path& file, std::uintmax_t maxBytes) {
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in) {
        std::error_code error;
        if (std::filesystem::exists(file, error) || error) return std::nullopt;
        return std::string();
    }
    // The size of the file as opened: a replacement by rename meanwhile does not change it.
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::uintmax_t>(size) > maxBytes) return std::nullopt;
    std::string bytes(static_cast<size_t>(size), '\0');
    in.seekg(0);
    if (!in.read(bytes.data(), size)) return std::nullopt;
    return bytes;
}

bool replaceFile(const std::filesystem::path& file, std::string_view bytes) {
    std::filesystem::path temp = file;
    temp += ".tmp." + std::to_string(::getpid());  // callers hold a lock within the process
    bool written = false;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        written = static_cast<bool>(out);
    }
    std::error_code error;
    if (written) std::filesystem::rename(temp, file, error);
    if (written && !error) return true;
    std::filesystem::remove(temp, error);
    return false;
}

}  // namespace platform
