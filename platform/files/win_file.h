// The C runtime's file calls that take Windows paths: fopen_s with a path in the ANSI code page,
// and the wide-path forms of remove and rename. Paths are mapped to this machine's file system
// (platform/files/path_mapping.h) before the operating system sees them.
#pragma once

#include "platform/base/win_types.h"

#include <cstdio>

typedef int errno_t;

// Opens a file like fopen; 0 on success, else the error number with *pFile set to null.
errno_t fopen_s(FILE** pFile, const char* filename, const char* mode);
int _wremove(const wchar_t* path);
int _wrename(const wchar_t* oldName, const wchar_t* newName);
