// The in-memory form of one registry hive: keys with sub-keys and values, names compared without
// regard to case (as on the original platform) but kept in the case they were created with.
#pragma once

#include "platform/base/win_types.h"

#include <json/value.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct RegistryValue {
    std::wstring name;
    DWORD type = 0;
    std::vector<BYTE> data;
};

struct RegistryKey {
    std::wstring name;
    std::map<std::wstring, RegistryKey> subkeys;   // by folded name
    std::map<std::wstring, RegistryValue> values;  // by folded name

    RegistryKey* find(const std::vector<std::wstring>& path);
    // Makes every missing level; tells whether the last level was new.
    RegistryKey& create(const std::vector<std::wstring>& path, bool& created);

    Json::Value toJson() const;
    static std::optional<RegistryKey> fromJson(const Json::Value& json);
};

// Registry names compare with ASCII letters folded to lower case.
std::wstring foldRegistryName(std::wstring_view name);
// "a\b\\c" -> {a, b, c}: backslash separates, empty levels are skipped.
std::vector<std::wstring> splitRegistryPath(const WCHAR* path);

}  // namespace platform
