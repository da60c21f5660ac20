// Finding the module that contains an address. Internal to the platform and its start-up object.
#pragma once

#include "platform/base/win_user_types.h"

#include <string>

namespace platform::detail {

// The handle (load address) of the module containing the address, or NULL.
HMODULE moduleOfAddress(const void* address);
// The executable's handle (its load address).
HMODULE executableModule();
// The path tests made the executable's, when they did.
bool executablePathOverride(std::wstring& path);

}  // namespace platform::detail
