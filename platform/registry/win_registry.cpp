#include "platform/registry/win_registry.h"

#include "platform/registry/registry_hive_file.h"
#include "platform/registry/win_registry_testing.h"

#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <set>

namespace {

enum class Hive { CurrentUser, LocalMachine, ClassesRoot };

}  // namespace

// An open key: its hive and its path of levels below the hive's root (for HKEY_CLASSES_ROOT,
// below the classes root; the merged view is resolved at every access, as the keys may change).
struct HKEY__ {
    Hive hive;
    std::vector<std::wstring> path;
    REGSAM access;
};

namespace {

using platform::RegistryKey;

std::atomic<bool> keyOpeningFails{false};
std::atomic<int> keyOpeningFailures{0};

// Whether this opening is refused by a test switch; a counted failure is used up.
bool openingRefused() {
    if (keyOpeningFails) return true;
    int left = keyOpeningFailures.load();
    while (left > 0 && !keyOpeningFailures.compare_exchange_weak(left, left - 1)) {
    }
    return left > 0;
}

// Handles that are open now, so that a stale or foreign handle is refused, never dereferenced.
std::mutex handlesLock;
std::set<HKEY> openHandles;

struct Location {
    const char* fileStem;
    std::vector<std::wstring> path;
};

const std::vector<std::wstring>& classesPath() {
    static const std::vector<std::wstring> path{L"Software", L"Classes"};
    return path;
}

std::optional<HKEY__> resolve(HKEY key) {
    if (key == HKEY_CURRENT_USER) return HKEY__{Hive::CurrentUser, {}, KEY_ALL_ACCESS};
    if (key == HKEY_LOCAL_MACHINE) return HKEY__{Hive::LocalMachine, {}, KEY_ALL_ACCESS};
    if (key == HKEY_CLASSES_ROOT) return HKEY__{Hive::ClassesRoot, {}, KEY_ALL_ACCESS};
    std::lock_guard<std::mutex> guard(handlesLock);
    if (openHandles.count(key) == 0) return std::nullopt;
    return *key;
}

std::vector<std::wstring> joined(const std::vector<std::wstring>& base, const std::vector<std::wstring>& more) {
    std::vector<std::wstring> path = base;
    path.insert(path.end(), more.begin(), more.end());
    return path;
}

bool keyExists(const Location& location) {
    bool found = false;
    platform::accessHive(location.fileStem, [&](RegistryKey& root) {
        found = root.find(location.path) != nullptr;
        return false;
    });
    return found;
}

Location locate(Hive hive, const std::vector<std::wstring>& path) {
    switch (hive) {
        case Hive::CurrentUser:
            return {"HKEY_CURRENT_USER", path};
        case Hive::LocalMachine:
            return {"HKEY_LOCAL_MACHINE", path};
        case Hive::ClassesRoot:
            break;
    }
    Location user{"HKEY_CURRENT_USER", joined(classesPath(), path)};
    if (keyExists(user)) return user;
    return {"HKEY_LOCAL_MACHINE", joined(classesPath(), path)};
}

LSTATUS statusOf(platform::HiveAccess access, LSTATUS status) {
    switch (access) {
        case platform::HiveAccess::Done:
            return status;
        case platform::HiveAccess::Unreadable:
            return ERROR_REGISTRY_CORRUPT;
        case platform::HiveAccess::Unwritable:
            return ERROR_REGISTRY_IO_FAILED;
    }
    return status;
}

// Runs an operation on an existing key; the operation sets changed when it modified the hive.
LSTATUS withKey(const Location& location, const std::function<LSTATUS(RegistryKey&, bool& changed)>& operation) {
    LSTATUS status = ERROR_SUCCESS;
    auto access = platform::accessHive(location.fileStem, [&](RegistryKey& root) {
        RegistryKey* key = root.find(location.path);
        if (!key) {
            status = ERROR_KEY_DELETED;
            return false;
        }
        bool changed = false;
        status = operation(*key, changed);
        return changed;
    });
    return statusOf(access, status);
}

HKEY newHandle(Hive hive, std::vector<std::wstring> path, REGSAM access) {
    HKEY key = new HKEY__{hive, std::move(path), access};
    std::lock_guard<std::mutex> guard(handlesLock);
    openHandles.insert(key);
    return key;
}

std::wstring valueNameOf(LPCWSTR name) { return platform::foldRegistryName(name ? name : L""); }

}  // namespace

namespace platform::testing {

void setRegistryKeyOpeningFails(bool fails) { keyOpeningFails = fails; }
void failNextRegistryKeyOpenings(int count) { keyOpeningFailures = count; }

}  // namespace platform::testing

LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    auto base = resolve(hKey);
    if (!base) return ERROR_INVALID_HANDLE;
    if (openingRefused()) return ERROR_ACCESS_DENIED;
    auto path = joined(base->path, platform::splitRegistryPath(lpSubKey));
    if (!keyExists(locate(base->hive, path))) return ERROR_FILE_NOT_FOUND;
    *phkResult = newHandle(base->hive, std::move(path), samDesired);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM samDesired,
                               const LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
    if (!phkResult || !lpSubKey) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    auto base = resolve(hKey);
    if (!base) return ERROR_INVALID_HANDLE;
    if (openingRefused()) return ERROR_ACCESS_DENIED;
    auto path = joined(base->path, platform::splitRegistryPath(lpSubKey));
    const Location location = locate(base->hive, path);
    bool created = false;
    auto access = platform::accessHive(location.fileStem, [&](RegistryKey& root) {
        root.create(location.path, created);
        return created;
    });
    if (LSTATUS status = statusOf(access, ERROR_SUCCESS); status != ERROR_SUCCESS) return status;
    if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *phkResult = newHandle(base->hive, std::move(path), samDesired);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData) {
    if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    auto key = resolve(hKey);
    if (!key) return ERROR_INVALID_HANDLE;
    if (!(key->access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    return withKey(locate(key->hive, key->path), [&](RegistryKey& found, bool&) -> LSTATUS {
        auto it = found.values.find(valueNameOf(lpValueName));
        if (it == found.values.end()) return ERROR_FILE_NOT_FOUND;
        const auto& data = it->second.data;
        if (lpType) *lpType = it->second.type;
        if (!lpcbData) return ERROR_SUCCESS;
        const auto size = static_cast<DWORD>(data.size());
        if (lpData && *lpcbData < size) {
            *lpcbData = size;
            return ERROR_MORE_DATA;
        }
        if (lpData && size > 0) std::memcpy(lpData, data.data(), size);
        *lpcbData = size;
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
    if (!lpData && cbData > 0) return ERROR_INVALID_PARAMETER;
    auto key = resolve(hKey);
    if (!key) return ERROR_INVALID_HANDLE;
    if (!(key->access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    return withKey(locate(key->hive, key->path), [&](RegistryKey& found, bool& changed) -> LSTATUS {
        platform::RegistryValue value{lpValueName ? lpValueName : L"", dwType, {}};
        if (cbData > 0) value.data.assign(lpData, lpData + cbData);
        found.values[valueNameOf(lpValueName)] = std::move(value);
        changed = true;
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
    auto key = resolve(hKey);
    if (!key) return ERROR_INVALID_HANDLE;
    if (!(key->access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    return withKey(locate(key->hive, key->path), [&](RegistryKey& found, bool& changed) -> LSTATUS {
        changed = found.values.erase(valueNameOf(lpValueName)) > 0;
        return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LSTATUS WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
    const auto levels = platform::splitRegistryPath(lpSubKey);
    if (levels.empty()) return ERROR_INVALID_PARAMETER;
    auto base = resolve(hKey);
    if (!base) return ERROR_INVALID_HANDLE;
    auto path = joined(base->path, levels);
    const Location location = locate(base->hive, path);
    std::vector<std::wstring> parentPath(location.path.begin(), location.path.end() - 1);
    const LSTATUS status = withKey({location.fileStem, parentPath}, [&](RegistryKey& parent, bool& changed) -> LSTATUS {
        auto it = parent.subkeys.find(platform::foldRegistryName(location.path.back()));
        if (it == parent.subkeys.end()) return ERROR_FILE_NOT_FOUND;
        if (!it->second.subkeys.empty()) return ERROR_ACCESS_DENIED;
        parent.subkeys.erase(it);
        changed = true;
        return ERROR_SUCCESS;
    });
    return status == ERROR_KEY_DELETED ? ERROR_FILE_NOT_FOUND : status;  // the parent is missing
}

LSTATUS WINAPI RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) {
    auto base = resolve(hKey);
    if (!base) return ERROR_INVALID_HANDLE;
    const auto levels = platform::splitRegistryPath(lpSubKey);
    const Location location = locate(base->hive, joined(base->path, levels));
    if (levels.empty()) {
        return withKey(location, [](RegistryKey& key, bool& changed) -> LSTATUS {
            changed = !key.subkeys.empty() || !key.values.empty();
            key.subkeys.clear();
            key.values.clear();
            return ERROR_SUCCESS;
        });
    }
    if (location.path.empty()) return ERROR_INVALID_PARAMETER;
    std::vector<std::wstring> parentPath(location.path.begin(), location.path.end() - 1);
    const LSTATUS status = withKey({location.fileStem, parentPath}, [&](RegistryKey& parent, bool& changed) -> LSTATUS {
        changed = parent.subkeys.erase(platform::foldRegistryName(location.path.back())) > 0;
        return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
    return status == ERROR_KEY_DELETED ? ERROR_FILE_NOT_FOUND : status;
}

LSTATUS WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
                                LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                                void* lpftLastWriteTime) {
    if (lpClass || lpcchClass || lpReserved || lpcbMaxSubKeyLen || lpcbMaxClassLen || lpcbMaxValueNameLen ||
        lpcbMaxValueLen || lpcbSecurityDescriptor || lpftLastWriteTime)
        return ERROR_INVALID_PARAMETER;
    auto key = resolve(hKey);
    if (!key) return ERROR_INVALID_HANDLE;
    return withKey(locate(key->hive, key->path), [&](RegistryKey& found, bool&) -> LSTATUS {
        if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(found.subkeys.size());
        if (lpcValues) *lpcValues = static_cast<DWORD>(found.values.size());
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) {
    if (hKey == HKEY_CURRENT_USER || hKey == HKEY_LOCAL_MACHINE || hKey == HKEY_CLASSES_ROOT) return ERROR_SUCCESS;
    {
        std::lock_guard<std::mutex> guard(handlesLock);
        if (openHandles.erase(hKey) == 0) return ERROR_INVALID_HANDLE;
    }
    delete hKey;
    return ERROR_SUCCESS;
}
