// COM task memory: blocks that one party allocates and another frees, across module boundaries;
// and identifiers written as text.
#pragma once

#include "platform/base/win_types.h"
#include "platform/com/guiddef.h"
#include "platform/com/oleauto.h"

typedef size_t SIZE_T;

// Null when the block cannot be had. Freeing null does nothing.
extern "C" void* WINAPI CoTaskMemAlloc(SIZE_T size);
extern "C" void WINAPI CoTaskMemFree(void* block);

// The identifier as text in braces, upper case; the characters written with the terminator (39),
// or 0 when the buffer is smaller.
int WINAPI StringFromGUID2(REFGUID guid, LPOLESTR text, int size);
