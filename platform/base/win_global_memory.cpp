#include "platform/base/win_global_memory.h"

#include "platform/base/win_error.h"

#include <cstdlib>

HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
    if (flags & ~GPTR) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* block = (flags & GMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
    if (!block) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return block;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL block) {
    std::free(block);
    return nullptr;
}
