// Kernel objects behind HANDLE values (threads, events, semaphores) and the process-wide handle
// numbering that windows share. Internal to the platform library.
#pragma once

#include "platform/base/win_types.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace platform::detail {

// A new pointer-sized handle value. Values are never reused within the process, so a stale handle
// is always recognised as unknown instead of reaching an unrelated object.
uintptr_t nextHandleValue();

// Something a thread can wait for with WaitForSingleObject.
class KernelObject {
public:
    virtual ~KernelObject() = default;

    // Waits until the object is signalled and takes the signal where the kind consumes it
    // (auto-reset event, semaphore). INFINITE waits for ever. False on time-out.
    bool wait(DWORD milliseconds);

protected:
    virtual bool signalledLocked() const = 0;
    virtual void consumeLocked() {}

    std::mutex mutex_;
    std::condition_variable changed_;
};

HANDLE registerKernelObject(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> findKernelObject(HANDLE handle);
// Forgets the handle; the object lives on while someone still waits on it or runs in it.
bool closeKernelObject(HANDLE handle);

}  // namespace platform::detail
