#include "platform/com/registrar.h"

#include "platform/com/registry_script.h"
#include "platform/module/win_module.h"
#include "platform/module/win_resource.h"
#include "platform/registry/win_registry.h"
#include "platform/text/utf_text.h"

#include <utility>
#include <vector>

namespace platform {
namespace {

// An open key that closes itself.
class OpenKey {
public:
    OpenKey() = default;
    explicit OpenKey(HKEY key) : key_(key) {}
    OpenKey(OpenKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    OpenKey& operator=(OpenKey&& other) noexcept {
        std::swap(key_, other.key_);
        return *this;
    }
    ~OpenKey() {
        if (key_) RegCloseKey(key_);
    }
    HKEY get() const { return key_; }
    HKEY* put() { return &key_; }

private:
    HKEY key_ = nullptr;
};

HRESULT fromStatus(LSTATUS status) { return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status); }

LSTATUS setValue(HKEY key, const RegistryScriptValue& value) {
    const wchar_t* name = value.name.empty() ? nullptr : value.name.c_str();
    if (value.isNumber) {
        return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value.number), sizeof(DWORD));
    }
    const auto bytes = static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()), bytes);
}

LSTATUS deleteTree(HKEY parent, const std::wstring& name) {
    const LSTATUS status = RegDeleteTreeW(parent, name.c_str());
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

LSTATUS registerKey(HKEY parent, const RegistryScriptKey& key) {
    if (key.removal == KeyRemoval::Delete) return deleteTree(parent, key.name);
    if (key.removal == KeyRemoval::ForceRemove) {
        if (const LSTATUS status = deleteTree(parent, key.name); status != ERROR_SUCCESS) return status;
    }
    OpenKey opened;
    LSTATUS status = RegCreateKeyExW(parent, key.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                     nullptr, opened.put(), nullptr);
    if (status != ERROR_SUCCESS) return status;
    if (key.defaultValue && (status = setValue(opened.get(), *key.defaultValue)) != ERROR_SUCCESS) return status;
    for (const RegistryScriptValue& value : key.values) {
        if ((status = setValue(opened.get(), value)) != ERROR_SUCCESS) return status;
    }
    for (const RegistryScriptKey& subkey : key.subkeys) {
        if ((status = registerKey(opened.get(), subkey)) != ERROR_SUCCESS) return status;
    }
    return ERROR_SUCCESS;
}

LSTATUS unregisterKey(HKEY parent, const RegistryScriptKey& key) {
    if (key.removal == KeyRemoval::ForceRemove) return deleteTree(parent, key.name);
    if (key.removal == KeyRemoval::Delete) return ERROR_SUCCESS;
    OpenKey opened;
    LSTATUS status = RegOpenKeyExW(parent, key.name.c_str(), 0, KEY_ALL_ACCESS, opened.put());
    if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;  // nothing of it is left to remove
    if (status != ERROR_SUCCESS) return status;
    for (const RegistryScriptValue& value : key.values) {
        status = RegDeleteValueW(opened.get(), value.name.c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return status;
    }
    for (const RegistryScriptKey& subkey : key.subkeys) {
        if ((status = unregisterKey(opened.get(), subkey)) != ERROR_SUCCESS) return status;
    }
    if (key.removal == KeyRemoval::NoRemove) return ERROR_SUCCESS;
    DWORD subkeys = 0;
    if ((status = RegQueryInfoKeyW(opened.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr)) != ERROR_SUCCESS)
        return status;
    // A key that holds keys the script does not name belongs to someone else as well.
    if (subkeys > 0) return ERROR_SUCCESS;
    opened = OpenKey();
    status = RegDeleteKeyW(parent, key.name.c_str());
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

}  // namespace

void Registrar::addReplacement(std::wstring_view name, std::wstring_view value) {
    replacements_[std::wstring(name)] = std::wstring(value);
}

HRESULT Registrar::resourceRegister(HMODULE module, UINT id, const wchar_t* type) {
    return runResource(module, id, type, true);
}

HRESULT Registrar::resourceUnregister(HMODULE module, UINT id, const wchar_t* type) {
    return runResource(module, id, type, false);
}

HRESULT Registrar::stringRegister(std::wstring_view script) { return run(script, true); }
HRESULT Registrar::stringUnregister(std::wstring_view script) { return run(script, false); }

HRESULT Registrar::runResource(HMODULE module, UINT id, const wchar_t* type, bool registering) {
    const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!resource) return E_FAIL;
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, resource)));
    const std::wstring script = utf8ToWideText(std::string(bytes, SizeofResource(module, resource)));
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return E_FAIL;
    addReplacement(L"MODULE", path);
    addReplacement(L"MODULE_RAW", path);
    return run(script, registering);
}

HRESULT Registrar::run(std::wstring_view script, bool registering) {
    std::string error;
    const auto trees = parseRegistryScript(script, replacements_, error);
    if (!trees) return E_FAIL;
    for (const RegistryScriptTree& tree : *trees) {
        OpenKey classes;
        HKEY root = tree.root == RegistryScriptRoot::CurrentUser    ? HKEY_CURRENT_USER
                    : tree.root == RegistryScriptRoot::LocalMachine ? HKEY_LOCAL_MACHINE
                                                                    : HKEY_CLASSES_ROOT;
        if (tree.root == RegistryScriptRoot::ClassesRoot && perUser_) {
            const LSTATUS status =
                registering ? RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr,
                                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, classes.put(), nullptr)
                            : RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, KEY_ALL_ACCESS, classes.put());
            if (status == ERROR_FILE_NOT_FOUND && !registering) continue;
            if (status != ERROR_SUCCESS) return fromStatus(status);
            root = classes.get();
        }
        for (const RegistryScriptKey& key : tree.keys) {
            const LSTATUS status = registering ? registerKey(root, key) : unregisterKey(root, key);
            if (status != ERROR_SUCCESS) return fromStatus(status);
        }
    }
    return S_OK;
}

}  // namespace platform
