// An in-process COM server loaded as a container loads one: the library opened with dlopen and its
// five COM exports looked up by name. The library is closed when this goes (it stays mapped).
#pragma once

#include "platform/com/class_factory.h"

#include <string>

namespace test_support {

class ComServerLibrary {
public:
    // Throws std::runtime_error when the library cannot be loaded or lacks an export.
    explicit ComServerLibrary(const std::string& path);
    ~ComServerLibrary();
    ComServerLibrary(const ComServerLibrary&) = delete;
    ComServerLibrary& operator=(const ComServerLibrary&) = delete;

    // npVeltrin.so of the build the tests run in ($VELTRIN_BUILD_DIR/lib).
    static std::string pluginPath();

    LPFNGETCLASSOBJECT getClassObject = nullptr;
    LPFNCANUNLOADNOW canUnloadNow = nullptr;
    LPFNREGISTERSERVER registerServer = nullptr;
    LPFNREGISTERSERVER unregisterServer = nullptr;
    LPFNDLLINSTALL install = nullptr;

private:
    void* handle_ = nullptr;
};

}  // namespace test_support
