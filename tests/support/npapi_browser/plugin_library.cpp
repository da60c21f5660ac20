#include "tests/support/npapi_browser/plugin_library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <stdexcept>

namespace test_support {

namespace {

template <typename Function>
Function exportOf(void* handle, const char* name) {
    void* symbol = dlsym(handle, name);
    if (!symbol) throw std::runtime_error(std::string("plug-in library lacks the export ") + name);
    return reinterpret_cast<Function>(symbol);
}

}  // namespace

PluginLibrary::PluginLibrary(const std::filesystem::path& file) {
    // The library stays mapped after its owner closes it, so that leak reports can still name its
    // code and a thread it failed to join cannot lose its code under it.
    handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle_) {
        const char* error = dlerror();
        throw std::runtime_error("cannot load the plug-in library " + file.string() + ": " + (error ? error : ""));
    }
    try {
        getEntryPoints_ = exportOf<NP_GetEntryPointsFunc>(handle_, "NP_GetEntryPoints");
        initialize_ = exportOf<NP_InitializeFunc>(handle_, "NP_Initialize");
        shutdown_ = exportOf<NP_ShutdownFunc>(handle_, "NP_Shutdown");
    } catch (...) {
        dlclose(handle_);
        throw;
    }
}

PluginLibrary::~PluginLibrary() { dlclose(handle_); }

std::filesystem::path PluginLibrary::builtPlugin() {
    const char* buildDir = std::getenv("VELTRIN_BUILD_DIR");
    if (!buildDir || !*buildDir) throw std::runtime_error("VELTRIN_BUILD_DIR is not set: no plug-in to load");
    return std::filesystem::path(buildDir) / "lib" / "npVeltrin.so";
}

}  // namespace test_support
