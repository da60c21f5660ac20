#include "platform/text/ansi_code_page.h"
#include "platform/module/module_handle.h"
#include "platform/text/utf_text.h"
#include "platform/base/win_error.h"
#include "platform/module/win_module.h"

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

// The module's path as the operating system knows it, absolute; empty for an unknown module.
std::string modulePath(HMODULE module) {
    std::error_code error;
    if (!module) return std::filesystem::read_symlink("/proc/self/exe", error).string();
    Dl_info info{};
    if (dladdr(module, &info) == 0 || info.dli_fbase != static_cast<void*>(module)) return {};
    if (!info.dli_fname || info.dli_fname[0] == '\0') {
        return std::filesystem::read_symlink("/proc/self/exe", error).string();
    }
    std::filesystem::path path = std::filesystem::absolute(info.dli_fname, error);
    return path.lexically_normal().string();
}

template <typename Char, typename Text>
DWORD copyFileName(const Text& path, Char* buffer, DWORD size) {
    if (path.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (!buffer || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    DWORD length = static_cast<DWORD>(std::min<size_t>(path.size(), size - 1));
    std::copy_n(path.data(), length, buffer);
    buffer[length] = 0;
    if (path.size() >= size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    SetLastError(ERROR_SUCCESS);
    return length;
}

}  // namespace

namespace platform::detail {

HMODULE moduleOfAddress(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0) return nullptr;
    return static_cast<HMODULE>(info.dli_fbase);
}

}  // namespace platform::detail

DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
    std::wstring posed;
    if ((!module || module == platform::detail::executableModule()) && platform::detail::executablePathOverride(posed))
        return copyFileName(posed, fileName, size);
    std::string path = modulePath(module);
    std::wstring wide = path.empty() ? std::wstring() : platform::utf8ToWideText(path);
    return copyFileName(wide, fileName, size);
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
    std::string path = modulePath(module);
    return copyFileName(path.empty() ? path : platform::wideToAnsiText(platform::utf8ToWideText(path)), fileName, size);
}
