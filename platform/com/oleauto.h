// OLE automation values: the VARIANT record with its type code and the numeric members of its
// value union, and the VT_ type codes of those members.
#pragma once

#include "platform/base/win_types.h"

enum VARENUM {
    VT_EMPTY = 0,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
};

typedef struct tagVARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        LONG lVal;
        SHORT iVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        USHORT uiVal;
        ULONG ulVal;
        ULONGLONG ullVal;
    };
} VARIANT;

static_assert(sizeof(VARIANT) == 16);
