#include "platform/thread/win_sync.h"

#include "platform/base/kernel_object.h"
#include "platform/base/win_error.h"

#include <memory>
#include <mutex>
#include <new>

namespace {

using platform::detail::KernelObject;

static_assert(sizeof(std::recursive_mutex) <= sizeof(CRITICAL_SECTION::opaque));
static_assert(alignof(std::recursive_mutex) <= 8);

std::recursive_mutex& sectionLock(LPCRITICAL_SECTION section) {
    return *std::launder(reinterpret_cast<std::recursive_mutex*>(section->opaque));
}

class Event : public KernelObject {
public:
    Event(bool manualReset, bool initialState) : manualReset_(manualReset), signalled_(initialState) {}

    void set(bool signalled) {
        std::lock_guard<std::mutex> lock(mutex_);
        signalled_ = signalled;
        if (signalled) changed_.notify_all();
    }

protected:
    bool signalledLocked() const override { return signalled_; }
    void consumeLocked() override {
        if (!manualReset_) signalled_ = false;
    }

private:
    const bool manualReset_;
    bool signalled_;
};

class Semaphore : public KernelObject {
public:
    Semaphore(LONG initial, LONG maximum) : count_(initial), maximum_(maximum) {}

    bool release(LONG count, LONG* previous) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (count <= 0 || count > maximum_ - count_) return false;
        if (previous) *previous = count_;
        count_ += count;
        changed_.notify_all();
        return true;
    }

protected:
    bool signalledLocked() const override { return count_ > 0; }
    void consumeLocked() override { --count_; }

private:
    LONG count_;
    const LONG maximum_;
};

template <typename Kind>
std::shared_ptr<Kind> findObject(HANDLE handle) {
    auto object = std::dynamic_pointer_cast<Kind>(platform::detail::findKernelObject(handle));
    if (!object) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

}  // namespace

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section) { new (section->opaque) std::recursive_mutex; }

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section) { sectionLock(section).lock(); }

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section) { sectionLock(section).unlock(); }

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section) { sectionLock(section).~recursive_mutex(); }

HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR) {
    return platform::detail::registerKernelObject(std::make_shared<Event>(manualReset != FALSE, initialState != FALSE));
}

BOOL WINAPI SetEvent(HANDLE event) {
    auto object = findObject<Event>(event);
    if (!object) return FALSE;
    object->set(true);
    return TRUE;
}

BOOL WINAPI ResetEvent(HANDLE event) {
    auto object = findObject<Event>(event);
    if (!object) return FALSE;
    object->set(false);
    return TRUE;
}

HANDLE WINAPI CreateSemaphoreW(LPSECURITY_ATTRIBUTES, LONG initialCount, LONG maximumCount, LPCWSTR) {
    if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return platform::detail::registerKernelObject(std::make_shared<Semaphore>(initialCount, maximumCount));
}

BOOL WINAPI ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LPLONG previousCount) {
    auto object = findObject<Semaphore>(semaphore);
    if (!object) return FALSE;
    if (!object->release(releaseCount, previousCount)) {
        SetLastError(releaseCount <= 0 ? ERROR_INVALID_PARAMETER : ERROR_TOO_MANY_POSTS);
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    auto object = platform::detail::findKernelObject(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return object->wait(milliseconds) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL WINAPI CloseHandle(HANDLE handle) {
    if (platform::detail::closeKernelObject(handle)) return TRUE;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}
