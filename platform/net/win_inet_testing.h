// Test switch of the WinINet stand-in.
#pragma once

#include "platform/base/win_types.h"

namespace platform::testing {

// While non-zero, InternetQueryOptionW fails with this error code.
void setInternetQueryOptionError(DWORD error);

}  // namespace platform::testing
