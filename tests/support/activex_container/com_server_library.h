// An in-process COM server loaded as a container loads one: the library opened with dlopen and its
// five COM exports looked up by name.
#pragma once

#include "platform/com/class_factory.h"
#include "tests/support/page_engine/plugin_library.h"

namespace test_support {

struct ComServerLibrary {
    // Throws std::runtime_error when the library cannot be loaded or lacks an export.
    explicit ComServerLibrary(const std::filesystem::path& file = PluginLibrary::builtPlugin()) : library(file) {}

    PluginLibrary library;
    LPFNGETCLASSOBJECT getClassObject = library.exportOf<LPFNGETCLASSOBJECT>("DllGetClassObject");
    LPFNCANUNLOADNOW canUnloadNow = library.exportOf<LPFNCANUNLOADNOW>("DllCanUnloadNow");
    LPFNREGISTERSERVER registerServer = library.exportOf<LPFNREGISTERSERVER>("DllRegisterServer");
    LPFNREGISTERSERVER unregisterServer = library.exportOf<LPFNREGISTERSERVER>("DllUnregisterServer");
    LPFNDLLINSTALL install = library.exportOf<LPFNDLLINSTALL>("DllInstall");
};

}  // namespace test_support
