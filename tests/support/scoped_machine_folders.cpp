#include "tests/support/scoped_machine_folders.h"

#include <cstdlib>
#include <stdexcept>

namespace test_support {
namespace {

// Sets the variable (or removes it for no value) and answers its previous value.
std::optional<std::string> exchange(const char* name, const std::optional<std::string>& value) {
    const char* previous = std::getenv(name);
    std::optional<std::string> old = previous ? std::optional<std::string>(previous) : std::nullopt;
    value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
    return old;
}

}  // namespace

ScopedTempDir::ScopedTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "veltrin-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

ScopedTempDir::~ScopedTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

ScopedMachineFolders::ScopedMachineFolders() {
    std::filesystem::create_directories(driveRoot_);
    std::filesystem::create_directories(registryFolder_);
    previousDriveRoot_ = exchange("VELTRIN_DRIVE_ROOT", driveRoot_.string());
    previousRegistryFolder_ = exchange("VELTRIN_REGISTRY_DIR", registryFolder_.string());
}

ScopedMachineFolders::~ScopedMachineFolders() {
    exchange("VELTRIN_DRIVE_ROOT", previousDriveRoot_);
    exchange("VELTRIN_REGISTRY_DIR", previousRegistryFolder_);
}

void ScopedMachineFolders::linkChineseFont() const {
    const auto fonts = driveRoot_ / "c" / "Windows" / "Fonts";
    std::filesystem::create_directories(fonts);
    std::filesystem::create_symlink("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", fonts / "simhei.ttf");
}

}  // namespace test_support
