#include "tests/support/scoped_machine_folders.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace test_support {
namespace {

std::optional<std::string> currentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

void restore(const char* name, const std::optional<std::string>& value) {
    if (value) {
        ::setenv(name, value->c_str(), 1);
    } else {
        ::unsetenv(name);
    }
}

}  // namespace

ScopedMachineFolders::ScopedMachineFolders() {
    std::string pattern = (std::filesystem::temp_directory_path() / "veltrin-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    base_ = pattern;
    driveRoot_ = base_ / "drives";
    registryFolder_ = base_ / "registry";
    std::filesystem::create_directories(driveRoot_);
    std::filesystem::create_directories(registryFolder_);
    previousDriveRoot_ = currentValue("VELTRIN_DRIVE_ROOT");
    previousRegistryFolder_ = currentValue("VELTRIN_REGISTRY_DIR");
    ::setenv("VELTRIN_DRIVE_ROOT", driveRoot_.c_str(), 1);
    ::setenv("VELTRIN_REGISTRY_DIR", registryFolder_.c_str(), 1);
}

ScopedMachineFolders::~ScopedMachineFolders() {
    restore("VELTRIN_DRIVE_ROOT", previousDriveRoot_);
    restore("VELTRIN_REGISTRY_DIR", previousRegistryFolder_);
    std::error_code ignored;
    std::filesystem::remove_all(base_, ignored);
}

void ScopedMachineFolders::linkChineseFont() const {
    const auto fonts = driveRoot_ / "c" / "Windows" / "Fonts";
    std::filesystem::create_directories(fonts);
    std::filesystem::create_symlink("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", fonts / "simhei.ttf");
}

}  // namespace test_support
