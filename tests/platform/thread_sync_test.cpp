#include "platform/win_error.h"
#include "platform/win_sync.h"
#include "platform/win_thread.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

DWORD WINAPI waitForEvent(LPVOID event) { return WaitForSingleObject(static_cast<HANDLE>(event), INFINITE); }

struct Waiter {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<DWORD> id{0};
};

DWORD WINAPI recordIdAndWait(LPVOID parameter) {
    auto* waiter = static_cast<Waiter*>(parameter);
    waiter->id = GetCurrentThreadId();
    return waitForEvent(waiter->event);
}

TEST(ThreadSync, ThreadHandleSignalsWhenTheRoutineEndsAndMayBeClosedEarly) {
    Waiter waiter;
    DWORD reportedId = 0;
    HANDLE thread = CreateThread(nullptr, 0, recordIdAndWait, &waiter, 0, &reportedId);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 5), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(CreateThread(nullptr, 0, waitForEvent, waiter.event, 0, nullptr)));  // runs on
    SetEvent(waiter.event);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(waiter.id.load(), reportedId);
    EXPECT_NE(reportedId, GetCurrentThreadId());
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_TRUE(CloseHandle(waiter.event));
    EXPECT_EQ(CreateThread(nullptr, 0, waitForEvent, nullptr, CREATE_SUSPENDED, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

struct Counter {
    CRITICAL_SECTION section;
    long value = 0;
};

DWORD WINAPI addUnderNestedLock(LPVOID parameter) {
    auto* counter = static_cast<Counter*>(parameter);
    for (int i = 0; i < 10000; ++i) {
        EnterCriticalSection(&counter->section);
        EnterCriticalSection(&counter->section);  // the owner may enter again
        ++counter->value;
        LeaveCriticalSection(&counter->section);
        LeaveCriticalSection(&counter->section);
    }
    return 0;
}

TEST(ThreadSync, CriticalSectionIsRecursiveAndExcludesOtherThreads) {
    Counter counter;
    InitializeCriticalSection(&counter.section);
    HANDLE threads[3];
    for (HANDLE& thread : threads) thread = CreateThread(nullptr, 0, addUnderNestedLock, &counter, 0, nullptr);
    for (HANDLE thread : threads) {
        EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
        CloseHandle(thread);
    }
    EXPECT_EQ(counter.value, 30000);
    DeleteCriticalSection(&counter.section);
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
