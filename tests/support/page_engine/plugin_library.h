// A plug-in library loaded the way a browser or a container loads one: dlopen, then its exports
// found by name. The library is closed with its owner but stays mapped for the rest of the process
// (RTLD_NODELETE), as a browser keeps a plug-in's library: what its process-wide objects hold stays
// reachable, leak reports can still name its code, and a thread it failed to join cannot lose its
// code under it.
#pragma once

#include <filesystem>
#include <string>

namespace test_support {

class PluginLibrary {
public:
    // Throws std::runtime_error when the library cannot be loaded.
    explicit PluginLibrary(const std::filesystem::path& file);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    // Throws std::runtime_error when the library lacks the export.
    template <typename Function>
    Function exportOf(const char* name) const {
        return reinterpret_cast<Function>(symbol(name));
    }

    // npVeltrin.so of the build the tests run from: $VELTRIN_BUILD_DIR/lib.
    static std::filesystem::path builtPlugin();

private:
    void* symbol(const char* name) const;

    std::string file_;
    void* handle_ = nullptr;
};

}  // namespace test_support
