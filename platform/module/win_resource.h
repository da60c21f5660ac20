// Resources carried inside a module: blocks of bytes found by type and id. A module registers its
// table when it first needs it (the build turns its resource files into such a table); the lookup
// functions then find the blocks by the module's handle, as on the original platform.
#pragma once

#include "platform/base/win_types.h"
#include "platform/base/win_user_types.h"

struct HRSRC__;
typedef HRSRC__* HRSRC;
typedef HANDLE HGLOBAL;

// Null with ERROR_RESOURCE_NAME_NOT_FOUND when the module carries no such resource.
HRSRC WINAPI FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource);
DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource);
// The bytes stay valid while the module is loaded.
LPVOID WINAPI LockResource(HGLOBAL loaded);

namespace platform {

struct ModuleResource {
    const wchar_t* type;  // e.g. L"REGISTRY", L"TYPELIB"
    WORD id;
    const unsigned char* bytes;
    DWORD size;
};

// Adds the resources of the module that contains `addressInModule`; the table must outlive the
// module. Registering the same table again changes nothing.
void registerModuleResources(const void* addressInModule, const ModuleResource* table, size_t count);

}  // namespace platform
