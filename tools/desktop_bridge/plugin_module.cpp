#include "tools/desktop_bridge/plugin_module.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

namespace desktop {

void PluginModule::Closer::operator()(void* handle) const { dlclose(handle); }

PluginModule::PluginModule(const std::filesystem::path& file)
    : handle_(dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) {
    if (!handle_) {
        const char* error = dlerror();
        throw std::runtime_error("cannot load " + file.string() + ": " + (error ? error : "unknown error"));
    }
    const auto address = [&](const char* name) {
        void* found = dlsym(handle_.get(), name);
        if (!found) throw std::runtime_error(file.string() + " has no entry point " + name);
        return found;
    };
    entryPoints_.getEntryPoints = reinterpret_cast<NP_GetEntryPointsFunc>(address("NP_GetEntryPoints"));
    entryPoints_.initialize = reinterpret_cast<NP_InitializeFunc>(address("NP_Initialize"));
    entryPoints_.shutdown = reinterpret_cast<NP_ShutdownFunc>(address("NP_Shutdown"));
}

std::filesystem::path PluginModule::besideBridge() {
    Dl_info self{};
    if (!dladdr(reinterpret_cast<void*>(&PluginModule::besideBridge), &self) || !self.dli_fname)
        throw std::runtime_error("the bridge cannot tell the folder it was loaded from");
    return std::filesystem::absolute(self.dli_fname).parent_path().parent_path() / "npVeltrin.so";
}

}  // namespace desktop
