// Threads and time: CreateThread over std::thread, the calling thread's id, Sleep, GetTickCount.
#pragma once

#include "platform/thread/win_sync.h"
#include "platform/base/win_types.h"

typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID parameter);

#define CREATE_SUSPENDED 0x00000004u

// Starts the routine on a new thread. The handle is signalled when the routine has returned; wait
// for it with WaitForSingleObject and release it with CloseHandle. Suspended creation is refused
// (ERROR_INVALID_PARAMETER): nothing here resumes threads.
HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE startAddress,
                           LPVOID parameter, DWORD creationFlags, LPDWORD threadId);
// A small number naming the calling thread, unique within the process and never reused.
DWORD WINAPI GetCurrentThreadId();
void WINAPI Sleep(DWORD milliseconds);
// Milliseconds of a monotonic clock; wraps after 49.7 days like the original.
DWORD WINAPI GetTickCount();
