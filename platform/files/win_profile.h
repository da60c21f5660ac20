// Settings files ("initialisation files"): sections of key=value lines in the ANSI code page.
// A bare file name (no '\' or '/') resolves in the Windows folder, <drive root>/c/Windows; other
// names are mapped like every Windows path. Section and key names compare without regard to case.
#pragma once

#include "platform/base/win_types.h"

// Copies the value of [lpAppName] lpKeyName (or lpDefault when there is none) into the buffer,
// cut to nSize - 1 characters and terminated; answers the number of characters copied without the
// terminator. Blanks around names and values are ignored and one pair of enclosing quotes is
// removed from a value. A null section or key name reads as absent here.
DWORD WINAPI GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault, LPWSTR lpReturnedString,
                                      DWORD nSize, LPCWSTR lpFileName);

// Sets [lpAppName] lpKeyName = lpString; a null lpString removes the key, a null lpKeyName the
// whole section. The file is replaced atomically (temporary file, then rename). A file that is
// there but cannot be read, or is larger than a settings file can be (1 MiB), reads as empty and
// is never written: FALSE.
BOOL WINAPI WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString, LPCWSTR lpFileName);
