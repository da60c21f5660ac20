#include "platform/base/win_error.h"
#include "platform/thread/win_sync.h"
#include "platform/thread/win_thread.h"

#include <gtest/gtest.h>

namespace {

DWORD WINAPI waitForEvent(LPVOID event) { return WaitForSingleObject(static_cast<HANDLE>(event), INFINITE); }

struct Shared {
    HANDLE start = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CRITICAL_SECTION section;
    long counter = 0;
    DWORD lastId = 0;
};

DWORD WINAPI addUnderNestedLock(LPVOID parameter) {
    auto* shared = static_cast<Shared*>(parameter);
    waitForEvent(shared->start);
    for (int i = 0; i < 10000; ++i) {
        EnterCriticalSection(&shared->section);
        EnterCriticalSection(&shared->section);  // the owner may enter again
        ++shared->counter;
        shared->lastId = GetCurrentThreadId();
        LeaveCriticalSection(&shared->section);
        LeaveCriticalSection(&shared->section);
    }
    return 0;
}

TEST(ThreadSync, ThreadsShareARecursiveCriticalSectionAndTheirHandlesSignalWhenTheyEnd) {
    Shared shared;
    InitializeCriticalSection(&shared.section);
    HANDLE threads[3];
    DWORD ids[3];
    for (int i = 0; i < 3; ++i) threads[i] = CreateThread(nullptr, 0, addUnderNestedLock, &shared, 0, &ids[i]);
    EXPECT_EQ(WaitForSingleObject(threads[0], 5), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(CreateThread(nullptr, 0, waitForEvent, shared.start, 0, nullptr)));  // runs on
    SetEvent(shared.start);
    for (HANDLE thread : threads) {
        EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
        EXPECT_TRUE(CloseHandle(thread));
    }
    EXPECT_EQ(shared.counter, 30000);
    EXPECT_TRUE(shared.lastId == ids[0] || shared.lastId == ids[1] || shared.lastId == ids[2]);
    EXPECT_NE(shared.lastId, GetCurrentThreadId());
    DeleteCriticalSection(&shared.section);
    CloseHandle(shared.start);
    EXPECT_EQ(CreateThread(nullptr, 0, waitForEvent, nullptr, CREATE_SUSPENDED, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(ThreadSync, EventsAndSemaphoresSignalAsTheirKindSaysTimeOutAndTheirClosedHandlesAreNeverReused) {
    HANDLE autoEvent = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(autoEvent, 5), WAIT_TIMEOUT);  // one wait took the signal
    HANDLE manualEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(WaitForSingleObject(manualEvent, 5), WAIT_TIMEOUT);
    SetEvent(manualEvent);
    EXPECT_EQ(WaitForSingleObject(manualEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manualEvent, 0), WAIT_OBJECT_0);
    ResetEvent(manualEvent);
    EXPECT_EQ(WaitForSingleObject(manualEvent, 0), WAIT_TIMEOUT);

    HANDLE semaphore = CreateSemaphoreW(nullptr, 1, 2, nullptr);
    LONG previous = -1;
    EXPECT_TRUE(ReleaseSemaphore(semaphore, 1, &previous));
    EXPECT_EQ(previous, 1);
    EXPECT_FALSE(ReleaseSemaphore(semaphore, 1, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TOO_MANY_POSTS));
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(semaphore, 5), WAIT_TIMEOUT);
    for (HANDLE handle : {autoEvent, manualEvent, semaphore}) EXPECT_TRUE(CloseHandle(handle));
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(semaphore) || SetEvent(autoEvent));
    HANDLE later = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    EXPECT_TRUE(later != autoEvent && later != manualEvent && later != semaphore);  // never reused
    CloseHandle(later);
}

}  // namespace
