// Globally unique identifiers, which name COM interfaces (IID) and classes (CLSID).
#pragma once

#include "platform/base/win_types.h"

#include <cstring>

typedef struct _GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
} GUID;
typedef GUID IID;
typedef GUID CLSID;
typedef const IID& REFIID;
typedef const GUID& REFGUID;
typedef const CLSID& REFCLSID;

// The all-zero identifier (GUID_NULL, IID_NULL).
extern "C" const GUID GUID_NULL;
#define IID_NULL GUID_NULL

inline bool operator==(const GUID& left, const GUID& right) { return std::memcmp(&left, &right, sizeof(GUID)) == 0; }
inline bool operator!=(const GUID& left, const GUID& right) { return !(left == right); }
