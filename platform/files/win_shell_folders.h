// The shell's special folders. Only the fonts folder is known: "C:\Windows\Fonts", which the file
// calls find at <drive root>/c/Windows/Fonts.
#pragma once

#include "platform/base/win_types.h"
#include "platform/base/win_user_types.h"

#ifndef MAX_PATH
#define MAX_PATH 260
#endif

#define CSIDL_FONTS 0x0014

// Writes the folder's path into pszPath (a buffer of MAX_PATH characters); FALSE for a folder it
// does not know. fCreate makes the folder.
BOOL WINAPI SHGetSpecialFolderPathW(HWND hwndOwner, LPWSTR pszPath, int csidl, BOOL fCreate);
