// npVeltrin.so as the bridge loads it: from the folder above the bridge's own, with dlopen, the
// way the browser of its own platform loads a plug-in, and then only through its three NPAPI entry
// points. It stays mapped once loaded, so that no thread of it can lose its code.
#pragma once

#include "platform/npapi/npfunctions.h"

#include <filesystem>
#include <memory>

namespace desktop {

struct PluginEntryPoints {
    NP_GetEntryPointsFunc getEntryPoints = nullptr;
    NP_InitializeFunc initialize = nullptr;
    NP_ShutdownFunc shutdown = nullptr;
};

class PluginModule {
public:
    // Throws std::runtime_error when the library cannot be loaded or lacks an entry point.
    explicit PluginModule(const std::filesystem::path& file);

    const PluginEntryPoints& entryPoints() const { return entryPoints_; }

    // npVeltrin.so in the folder above the bridge's own.
    static std::filesystem::path besideBridge();

private:
    struct Closer {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, Closer> handle_;
    PluginEntryPoints entryPoints_;
};

}  // namespace desktop
