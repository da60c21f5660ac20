#include "tests/support/activex_container/com_server_library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <stdexcept>

namespace test_support {

namespace {

template <typename Function>
Function lookUp(void* handle, const char* name) {
    void* found = dlsym(handle, name);
    if (!found) throw std::runtime_error(std::string("the COM server lacks ") + name);
    return reinterpret_cast<Function>(found);
}

}  // namespace

// The library stays mapped once loaded (RTLD_NODELETE), as a browser keeps a control's library:
// what its process-wide objects hold stays reachable, and no address of it goes stale.
ComServerLibrary::ComServerLibrary(const std::string& path)
    : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) {
    if (!handle_) throw std::runtime_error(std::string("cannot load ") + path + ": " + dlerror());
    try {
        getClassObject = lookUp<LPFNGETCLASSOBJECT>(handle_, "DllGetClassObject");
        canUnloadNow = lookUp<LPFNCANUNLOADNOW>(handle_, "DllCanUnloadNow");
        registerServer = lookUp<LPFNREGISTERSERVER>(handle_, "DllRegisterServer");
        unregisterServer = lookUp<LPFNREGISTERSERVER>(handle_, "DllUnregisterServer");
        install = lookUp<LPFNDLLINSTALL>(handle_, "DllInstall");
    } catch (...) {
        dlclose(handle_);
        throw;
    }
}

ComServerLibrary::~ComServerLibrary() { dlclose(handle_); }

std::string ComServerLibrary::pluginPath() {
    const char* build = std::getenv("VELTRIN_BUILD_DIR");
    return std::string(build ? build : ".") + "/lib/npVeltrin.so";
}

}  // namespace test_support
