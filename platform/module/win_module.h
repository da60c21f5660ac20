// Modules (the executable and shared libraries): their handles, their file names, and the entry
// point a library gets on load and unload.
//
// A shared library that defines
//     extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
// and links the start-up code (CMake: veltrin_link_dll_startup(<target>), which puts it last on
// the link line) gets DllMain(its handle, DLL_PROCESS_ATTACH, NULL) when it is loaded, after its
// static initialisers have run, and DLL_PROCESS_DETACH when it is unloaded. Thread attach and
// detach calls are not made. A module's handle is its load address.
#pragma once

#include "platform/base/win_types.h"
#include "platform/base/win_user_types.h"

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

#define MAX_PATH 260

// The module's full path (a NULL module: the executable). A path longer than the buffer is cut to
// size - 1 characters, NUL-terminated, and size is returned with ERROR_INSUFFICIENT_BUFFER; an
// unknown module yields 0 with ERROR_MOD_NOT_FOUND.
DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);
// The same in the ANSI code page.
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
