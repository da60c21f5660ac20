#include "tests/support/page_engine/plugin_library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <stdexcept>

namespace test_support {

PluginLibrary::PluginLibrary(const std::filesystem::path& file)
    : file_(file.string()), handle_(dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) {
    if (!handle_) {
        const char* error = dlerror();
        throw std::runtime_error("cannot load the plug-in library " + file_ + ": " + (error ? error : ""));
    }
}

PluginLibrary::~PluginLibrary() { dlclose(handle_); }

void* PluginLibrary::symbol(const char* name) const {
    void* found = dlsym(handle_, name);
    if (!found) throw std::runtime_error(file_ + " lacks the export " + name);
    return found;
}

std::filesystem::path PluginLibrary::builtPlugin() {
    const char* buildDir = std::getenv("VELTRIN_BUILD_DIR");
    if (!buildDir || !*buildDir) throw std::runtime_error("VELTRIN_BUILD_DIR is not set: no plug-in to load");
    return std::filesystem::path(buildDir) / "lib" / "npVeltrin.so";
}

}  // namespace test_support
