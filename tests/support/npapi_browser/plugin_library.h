// The plug-in library loaded the way a browser loads it: dlopen, then only its three exports,
// NP_GetEntryPoints, NP_Initialize and NP_Shutdown, found by name. The library is closed with its
// owner but stays mapped for the rest of the process.
#pragma once

#include "platform/npapi/npfunctions.h"

#include <filesystem>
#include <memory>
#include <string>

namespace test_support {

class PluginLibrary {
public:
    // Throws std::runtime_error when the library cannot be loaded or lacks one of the exports.
    explicit PluginLibrary(const std::filesystem::path& file);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    NP_GetEntryPointsFunc getEntryPoints() const { return getEntryPoints_; }
    NP_InitializeFunc initialize() const { return initialize_; }
    NP_ShutdownFunc shutdown() const { return shutdown_; }

    // npVeltrin.so of the build the tests run from: $VELTRIN_BUILD_DIR/lib.
    static std::filesystem::path builtPlugin();

private:
    void* handle_ = nullptr;
    NP_GetEntryPointsFunc getEntryPoints_ = nullptr;
    NP_InitializeFunc initialize_ = nullptr;
    NP_ShutdownFunc shutdown_ = nullptr;
};

}  // namespace test_support
