// The shell's special folders. Only the fonts folder is known: <drive root>/c/Windows/Fonts.
#pragma once

#include "platform/win_types.h"

struct HWND__;
typedef struct HWND__* HWND;

#ifndef MAX_PATH
#define MAX_PATH 260
#endif

#define CSIDL_FONTS 0x0014

// Writes the folder's path (at most MAX_PATH characters with the terminator) into pszPath;
// FALSE for a folder it does not know or a path that does not fit. fCreate makes the folder.
BOOL WINAPI SHGetSpecialFolderPathW(HWND hwndOwner, LPWSTR pszPath, int csidl, BOOL fCreate);
