// Finding the module that contains an address. Internal to the platform and its start-up object.
#pragma once

#include "platform/base/win_user_types.h"

namespace platform::detail {

// The handle (load address) of the module containing the address, or NULL.
HMODULE moduleOfAddress(const void* address);

}  // namespace platform::detail
