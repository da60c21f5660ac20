#include "platform/module/win_resource.h"

#include "platform/base/win_error.h"
#include "platform/module/module_handle.h"

#include <cwchar>
#include <map>
#include <mutex>
#include <string>

namespace {

std::mutex tablesLock;
// From a module's handle to its table.
std::map<HMODULE, std::pair<const platform::ModuleResource*, size_t>> tables;

bool sameType(const wchar_t* left, LPCWSTR right) {
    if (IS_INTRESOURCE(right)) return false;  // only named types are carried
    return std::wcscmp(left, right) == 0;
}

}  // namespace

namespace platform {

void registerModuleResources(const void* addressInModule, const ModuleResource* table, size_t count) {
    const HMODULE module = detail::moduleOfAddress(addressInModule);
    if (!module) return;
    std::lock_guard<std::mutex> guard(tablesLock);
    tables[module] = {table, count};
}

}  // namespace platform

HRSRC WINAPI FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
    if (!type || !IS_INTRESOURCE(name)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const auto id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    std::lock_guard<std::mutex> guard(tablesLock);
    const auto found = tables.find(module);
    if (found != tables.end()) {
        for (size_t i = 0; i < found->second.second; ++i) {
            const platform::ModuleResource& entry = found->second.first[i];
            if (entry.id == id && sameType(entry.type, type))
                return reinterpret_cast<HRSRC>(const_cast<platform::ModuleResource*>(&entry));
        }
    }
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

HGLOBAL WINAPI LoadResource(HMODULE, HRSRC resource) {
    if (!resource) return nullptr;
    return const_cast<unsigned char*>(reinterpret_cast<const platform::ModuleResource*>(resource)->bytes);
}

DWORD WINAPI SizeofResource(HMODULE, HRSRC resource) {
    return resource ? reinterpret_cast<const platform::ModuleResource*>(resource)->size : 0;
}

LPVOID WINAPI LockResource(HGLOBAL loaded) { return loaded; }
