#include "platform/net/win_inet.h"

#include "platform/base/win_error.h"
#include "platform/net/win_inet_testing.h"
#include "platform/registry/win_registry.h"

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::atomic<DWORD> g_forcedError{0};

const wchar_t kInternetSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

std::wstring readString(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ) {
        return {};
    }
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(text.data()), &size) != ERROR_SUCCESS) {
        return {};
    }
    text[size / sizeof(wchar_t)] = L'\0';
    return std::wstring(text.data());
}

DWORD readDword(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD) {
        return 0;
    }
    return value;
}

struct ProxyConfiguration {
    DWORD accessType = INTERNET_OPEN_TYPE_DIRECT;
    std::wstring proxy;
    std::wstring bypass;
};

ProxyConfiguration readConfiguration() {
    ProxyConfiguration config;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kInternetSettings, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return config;
    }
    if (readDword(key, L"ProxyEnable") != 0) {
        config.proxy = readString(key, L"ProxyServer");
        config.bypass = readString(key, L"ProxyOverride");
        if (!config.proxy.empty()) config.accessType = INTERNET_OPEN_TYPE_PROXY;
    }
    RegCloseKey(key);
    if (config.accessType != INTERNET_OPEN_TYPE_PROXY) config = ProxyConfiguration{};
    return config;
}

// The structure first, then both strings with their terminators.
void fillProxyInfo(const ProxyConfiguration& config, BYTE* buffer) {
    auto* info = reinterpret_cast<INTERNET_PROXY_INFO*>(buffer);
    auto* text = reinterpret_cast<wchar_t*>(buffer + sizeof(INTERNET_PROXY_INFO));
    info->dwAccessType = config.accessType;
    std::wmemcpy(text, config.proxy.c_str(), config.proxy.size() + 1);
    info->lpszProxy = text;
    text += config.proxy.size() + 1;
    std::wmemcpy(text, config.bypass.c_str(), config.bypass.size() + 1);
    info->lpszProxyBypass = text;
}

}  // namespace

namespace platform::testing {

void setInternetQueryOptionError(DWORD error) { g_forcedError = error; }

}  // namespace platform::testing

BOOL WINAPI InternetQueryOptionW(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer, LPDWORD lpdwBufferLength) {
    if (DWORD forced = g_forcedError.load()) {
        SetLastError(forced);
        return FALSE;
    }
    if (hInternet != nullptr || dwOption != INTERNET_OPTION_PROXY || lpdwBufferLength == nullptr) {
        SetLastError(ERROR_INTERNET_INVALID_OPTION);
        return FALSE;
    }
    ProxyConfiguration config = readConfiguration();
    size_t needed =
        sizeof(INTERNET_PROXY_INFO) + (config.proxy.size() + 1 + config.bypass.size() + 1) * sizeof(wchar_t);
    if (lpBuffer == nullptr || *lpdwBufferLength < needed) {
        *lpdwBufferLength = static_cast<DWORD>(needed);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    fillProxyInfo(config, static_cast<BYTE*>(lpBuffer));
    *lpdwBufferLength = static_cast<DWORD>(needed);
    return TRUE;
}
