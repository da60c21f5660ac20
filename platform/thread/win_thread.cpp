#include "platform/thread/win_thread.h"

#include "platform/base/kernel_object.h"
#include "platform/thread/thread_identity.h"
#include "platform/base/win_error.h"

#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>

namespace {

// A started thread. It holds itself alive while it runs, so closing its handle early does not
// pull the object away from under it; whoever drops the last share joins the std::thread.
class ThreadObject : public platform::detail::KernelObject {
public:
    explicit ThreadObject(DWORD id) : id_(id) {}

    ~ThreadObject() override {
        if (!thread_.joinable()) return;
        // The last share is dropped on the thread itself when its handle was closed while it ran.
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();
        } else {
            thread_.join();
        }
    }

    void start(std::shared_ptr<ThreadObject> self, LPTHREAD_START_ROUTINE routine, LPVOID parameter) {
        thread_ = std::thread([self = std::move(self), routine, parameter]() mutable {
            platform::detail::adoptThreadId(self->id_);
            routine(parameter);
            self->finish();
        });
    }

protected:
    bool signalledLocked() const override { return finished_; }

private:
    void finish() {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
        changed_.notify_all();
    }

    const DWORD id_;
    bool finished_ = false;
    std::thread thread_;
};

}  // namespace

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE startAddress, LPVOID parameter,
                           DWORD creationFlags, LPDWORD threadId) {
    if (!startAddress || (creationFlags & CREATE_SUSPENDED)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    DWORD id = platform::detail::newThreadId();
    auto thread = std::make_shared<ThreadObject>(id);
    HANDLE handle = platform::detail::registerKernelObject(thread);
    if (threadId) *threadId = id;
    try {
        thread->start(thread, startAddress, parameter);
    } catch (const std::system_error&) {  // no thread could be made: fail as the original does
        platform::detail::closeKernelObject(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return handle;
}

DWORD WINAPI GetCurrentThreadId() { return platform::detail::currentThreadId(); }

void WINAPI Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        std::this_thread::yield();
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

DWORD WINAPI GetTickCount() {
    auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}
