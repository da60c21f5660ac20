#include "platform/files/drive_root.h"

#include <cstdlib>

namespace platform {

std::filesystem::path driveRoot() {
    if (const char* root = std::getenv("VELTRIN_DRIVE_ROOT"); root && *root) return root;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) {
        return std::filesystem::path(data) / "veltrin" / "drives";
    }
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/tmp") / ".local" / "share" / "veltrin" / "drives";
}

std::filesystem::path windowsFolder() { return driveRoot() / "c" / "Windows"; }

std::filesystem::path fontsFolder() { return windowsFolder() / "Fonts"; }

}  // namespace platform
