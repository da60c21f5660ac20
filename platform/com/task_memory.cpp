#include "platform/com/objbase.h"

#include <cstdlib>

extern "C" void* WINAPI CoTaskMemAlloc(SIZE_T size) { return std::malloc(size ? size : 1); }

extern "C" void WINAPI CoTaskMemFree(void* block) { std::free(block); }
