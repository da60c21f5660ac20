// Creating one directory level, with Windows paths mapped as every file call maps them
// (path_mapping.h). Drives always exist: "X:" itself is never created, but a drive's folder under
// the drive root is made when a directory on it is first created.
#pragma once

#include "platform/base/win_types.h"

// TRUE when the directory was made. FALSE with ERROR_ALREADY_EXISTS when something of that name
// is there, ERROR_PATH_NOT_FOUND when its parent is missing, ERROR_ACCESS_DENIED for a bare drive
// or a refusal of the file system, ERROR_INVALID_PARAMETER for a null or empty path. The security
// attributes are ignored.
BOOL WINAPI CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
// The same with a path in the ANSI code page.
BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
