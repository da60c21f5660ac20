// The registrar of the COM server library: runs a registry script (platform/com/registry_script.h)
// from a module's REGISTRY resources or from text, writing its keys or removing them. The
// replacement variables are the ones added here, plus MODULE and MODULE_RAW (the module's full
// path) for a script run from a module. Per-user registration writes every HKCR key of a script
// under HKCU\Software\Classes instead; keys a script places under HKCU or HKLM itself stay there.
#pragma once

#include "platform/base/win_error.h"
#include "platform/base/win_types.h"
#include "platform/base/win_user_types.h"

#include <map>
#include <string>
#include <string_view>

namespace platform {

class Registrar {
public:
    void addReplacement(std::wstring_view name, std::wstring_view value);
    void setPerUser(bool perUser) { perUser_ = perUser; }

    // E_FAIL for a script that does not parse or a resource the module does not carry; the
    // registry's own error (as an HRESULT) for the first key or value that cannot be written.
    HRESULT resourceRegister(HMODULE module, UINT id, const wchar_t* type);
    HRESULT resourceUnregister(HMODULE module, UINT id, const wchar_t* type);
    HRESULT stringRegister(std::wstring_view script);
    HRESULT stringUnregister(std::wstring_view script);

private:
    HRESULT runResource(HMODULE module, UINT id, const wchar_t* type, bool registering);
    HRESULT run(std::wstring_view script, bool registering);

    std::map<std::wstring, std::wstring> replacements_;
    bool perUser_ = false;
};

}  // namespace platform
