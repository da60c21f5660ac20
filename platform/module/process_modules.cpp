#include "platform/module/psapi.h"

#include "platform/base/win_error.h"
#include "platform/module/module_handle.h"
#include "platform/module/win_module_testing.h"

#include <link.h>

#include <mutex>

namespace {

std::mutex overrideLock;
std::wstring executableOverride;

// The executable's load address: the lowest loaded segment of the first object the dynamic
// linker lists, which is always the program itself.
int firstObject(dl_phdr_info* info, size_t, void* data) {
    ElfW(Addr) lowest = ~ElfW(Addr)(0);
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        if (info->dlpi_phdr[i].p_type == PT_LOAD && info->dlpi_phdr[i].p_vaddr < lowest)
            lowest = info->dlpi_phdr[i].p_vaddr;
    }
    *static_cast<HMODULE*>(data) = reinterpret_cast<HMODULE>(info->dlpi_addr + (lowest == ~ElfW(Addr)(0) ? 0 : lowest));
    return 1;
}

}  // namespace

namespace platform::testing {

void setExecutablePath(const std::wstring& path) {
    std::lock_guard<std::mutex> guard(overrideLock);
    executableOverride = path;
}

}  // namespace platform::testing

namespace platform::detail {

HMODULE executableModule() {
    HMODULE module = nullptr;
    dl_iterate_phdr(firstObject, &module);
    return module;
}

bool executablePathOverride(std::wstring& path) {
    std::lock_guard<std::mutex> guard(overrideLock);
    if (executableOverride.empty()) return false;
    path = executableOverride;
    return true;
}

}  // namespace platform::detail

HANDLE WINAPI GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }

BOOL WINAPI EnumProcessModules(HANDLE process, HMODULE* modules, DWORD bytes, LPDWORD needed) {
    if (process != GetCurrentProcess() || !needed || (bytes > 0 && !modules)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Only the executable is listed: nothing in the system asks for more than the first module.
    *needed = sizeof(HMODULE);
    if (bytes >= sizeof(HMODULE)) modules[0] = platform::detail::executableModule();
    return TRUE;
}
