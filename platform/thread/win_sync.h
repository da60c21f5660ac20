// Synchronisation objects: recursive critical sections, events, semaphores, waiting with
// time-outs, and closing handles.
#pragma once

#include "platform/base/win_types.h"

#include <cstddef>

typedef size_t SIZE_T;
typedef LONG* LPLONG;

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

// A recursive lock kept inside the caller's structure, as the original's is: the owning thread
// may enter again and must leave as often as it entered.
struct CRITICAL_SECTION {
    alignas(8) unsigned char opaque[64];
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section);
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section);
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section);
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section);

// Unnamed events only: a name is accepted and ignored (no object is shared between processes).
HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState, LPCWSTR name);
BOOL WINAPI SetEvent(HANDLE event);
BOOL WINAPI ResetEvent(HANDLE event);

HANDLE WINAPI CreateSemaphoreW(LPSECURITY_ATTRIBUTES attributes, LONG initialCount, LONG maximumCount, LPCWSTR name);
BOOL WINAPI ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LPLONG previousCount);

// WAIT_OBJECT_0 when signalled (a thread handle is signalled once the thread has ended),
// WAIT_TIMEOUT after the time-out, WAIT_FAILED with ERROR_INVALID_HANDLE for an unknown handle.
DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);
BOOL WINAPI CloseHandle(HANDLE handle);
