// Writes the current user's Internet Settings proxy values, as the system's control panel would.
#pragma once

#include "platform/registry/win_registry.h"

#include <gtest/gtest.h>

#include <string>

namespace test_support {

inline void writeInternetSettings(DWORD enable, const std::wstring& server, const std::wstring& bypass = L"") {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                              nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    auto setText = [key](const wchar_t* name, const std::wstring& text) {
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    };
    RegSetValueExW(key, L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable), sizeof(enable));
    setText(L"ProxyServer", server);
    setText(L"ProxyOverride", bypass);
    RegCloseKey(key);
}

}  // namespace test_support
