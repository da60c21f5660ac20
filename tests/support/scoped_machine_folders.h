// Gives a test its own drive root and registry folder in a fresh temporary directory, set through
// VELTRIN_DRIVE_ROOT and VELTRIN_REGISTRY_DIR for as long as the object lives; then restores the
// variables and removes the directory.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace test_support {

class ScopedMachineFolders {
public:
    ScopedMachineFolders();
    ~ScopedMachineFolders();
    ScopedMachineFolders(const ScopedMachineFolders&) = delete;
    ScopedMachineFolders& operator=(const ScopedMachineFolders&) = delete;

    const std::filesystem::path& driveRoot() const { return driveRoot_; }
    const std::filesystem::path& registryFolder() const { return registryFolder_; }
    // Links <drive root>/c/Windows/Fonts/simhei.ttf to the WenQuanYi Micro Hei font collection.
    void linkChineseFont() const;

private:
    std::filesystem::path base_;
    std::filesystem::path driveRoot_;
    std::filesystem::path registryFolder_;
    std::optional<std::string> previousDriveRoot_;
    std::optional<std::string> previousRegistryFolder_;
};

}  // namespace test_support
