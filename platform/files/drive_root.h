// Where the Windows drives of this machine live: "X:\a\b" is <drive root>/x/a/b. The root is
// $VELTRIN_DRIVE_ROOT, or $XDG_DATA_HOME/veltrin/drives (default ~/.local/share/veltrin/drives).
#pragma once

#include <filesystem>

namespace platform {

std::filesystem::path driveRoot();
// <drive root>/c/Windows: the Windows folder, where bare settings-file names resolve.
std::filesystem::path windowsFolder();
// <drive root>/c/Windows/Fonts: holds simhei.ttf.
std::filesystem::path fontsFolder();

}  // namespace platform
