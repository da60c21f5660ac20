// Temporary folders for tests. ScopedMachineFolders gives a test its own drive root and registry
// folder, set through VELTRIN_DRIVE_ROOT and VELTRIN_REGISTRY_DIR for as long as the object lives;
// then it restores the variables and removes the folders.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace test_support {

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
    ScopedTempDir base_;
    std::filesystem::path driveRoot_ = base_.path() / "drives";
    std::filesystem::path registryFolder_ = base_.path() / "registry";
    std::optional<std::string> previousDriveRoot_;
    std::optional<std::string> previousRegistryFolder_;
};

}  // namespace test_support
