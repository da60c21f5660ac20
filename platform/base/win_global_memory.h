// Global memory blocks: what a caller hands to a COM object that frees it later (post data).
#pragma once

#include "platform/base/win_types.h"

typedef HANDLE HGLOBAL;
typedef size_t SIZE_T;

#define GMEM_FIXED 0x0000
#define GMEM_ZEROINIT 0x0040
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

// Only fixed blocks: the handle is the block's address. Null when the block cannot be had.
HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes);
// Null on success, as on the original platform.
HGLOBAL WINAPI GlobalFree(HGLOBAL block);
