// The modules of the running process, as the process-status calls list them: the executable first.
#pragma once

#include "platform/base/win_types.h"
#include "platform/base/win_user_types.h"

// The pseudo handle of the calling process; it needs no closing.
HANDLE WINAPI GetCurrentProcess();
// Fills as many of the process's module handles as `bytes` has room for, the executable first, and
// tells in *needed the bytes the whole list takes. Only the calling process can be listed.
BOOL WINAPI EnumProcessModules(HANDLE process, HMODULE* modules, DWORD bytes, LPDWORD needed);
