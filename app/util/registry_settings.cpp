#include "app/util/registry_settings.h"

#include "platform/registry/win_registry.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr const wchar_t* kSettingsKey = L"Software\\ZelkPlugin";
// A value holds at most this many bytes of text; its stored data are one zero byte more.
constexpr DWORD kMaxTextBytes = 1023;

// Closes the key on every way out.
class OpenKey {
public:
    OpenKey() = default;
    ~OpenKey() {
        if (key_) RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY* receive() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

}  // namespace

int RegistrySettings::GetString(const wchar_t* name, std::string& value) {
    OpenKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.receive()) != ERROR_SUCCESS) return -1;
    // Room for the longest text and its zero; data stored by another tool need not end in one.
    char buffer[kMaxTextBytes + 1] = {};
    DWORD size = sizeof(buffer);
    if (RegQueryValueExW(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS) {
        return -1;
    }
    const auto length = static_cast<size_t>(std::find(buffer, buffer + size, '\0') - buffer);
    if (length > kMaxTextBytes) return -1;
    value.assign(buffer, length);
    return 0;
}

std::string RegistrySettings::GetString(const wchar_t* name) {
    std::string value;
    GetString(name, value);
    return value;
}

int RegistrySettings::SetString(const wchar_t* name, const char* ansiText) {
    OpenKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        key.receive(), nullptr) != ERROR_SUCCESS) {
        return -1;
    }
    const char* text = ansiText ? ansiText : "";
    const auto size = static_cast<DWORD>(std::strlen(text) + 1);
    if (RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size) != ERROR_SUCCESS) {
        return -1;
    }
    return 0;
}
