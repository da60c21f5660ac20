// COM task memory: blocks that one party allocates and another frees, across module boundaries.
#pragma once

#include "platform/base/win_types.h"

typedef size_t SIZE_T;

// Null when the block cannot be had. Freeing null does nothing.
extern "C" void* WINAPI CoTaskMemAlloc(SIZE_T size);
extern "C" void WINAPI CoTaskMemFree(void* block);
