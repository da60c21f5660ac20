// What the library keeps about itself when it is loaded: its module handle and its full path
// (UTF-8), which the bindings hand to every plug-in core.
#pragma once

#include "platform/base/win_user_types.h"

#include <string>

namespace FB {

extern HMODULE moduleHandle;
extern std::string modulePath;

// The attach step of the library's entry point: keeps the handle and path on the first call,
// whatever the reason; later calls change nothing. FALSE only when a process attach finds the COM
// module's initialisation failed.
BOOL attachModule(HMODULE module, DWORD reason, bool comModuleFailed);

}  // namespace FB
