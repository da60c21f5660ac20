// The main thread of a stand-in browser or container: a thread of its own running the platform's message pump
// (GetMessageW / DispatchMessageW). All browser work happens on it, and so does every call into the
// plug-in, as in a real browser; the plug-in's windows made there are served by the same pump.
// Other threads hand it work: run waits for the result, post does not.
#pragma once

#include "platform/window/win_window.h"

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>

namespace test_support {

class BrowserMainThread {
public:
    // Hears what a posted task threw (a task handed over with run throws to its waiter instead).
    using FaultSink = std::function<void(const std::string&)>;

    // afterEachMessage runs on the main thread after every message its pump dispatched: the
    // browser's safe point between two pieces of work.
    BrowserMainThread(FaultSink faultSink, std::function<void()> afterEachMessage);
    // Ends the pump and joins the thread; work still queued is dropped (its waiters are told).
    ~BrowserMainThread();
    BrowserMainThread(const BrowserMainThread&) = delete;
    BrowserMainThread& operator=(const BrowserMainThread&) = delete;

    bool isCurrent() const { return std::this_thread::get_id() == id_; }
    DWORD threadId() const { return threadId_; }

    // Runs work on the main thread and returns its result, or throws what it threw; called on the
    // main thread itself it runs the work at once. Throws std::runtime_error when the thread no
    // longer takes work.
    template <typename Work>
    auto run(Work&& work) -> std::invoke_result_t<Work> {
        using Result = std::invoke_result_t<Work>;
        if (isCurrent()) return work();
        std::packaged_task<Result()> task(std::forward<Work>(work));
        std::future<Result> result = task.get_future();
        if (!postTask(std::make_unique<TaskOf<std::packaged_task<Result()>>>(std::move(task))))
            throw std::runtime_error("the browser's main thread takes no more work");
        return result.get();
    }

    // Queues work for the main thread without waiting; false when the thread takes no more work.
    bool post(std::function<void()> work);

    // Checks the condition on the main thread every few milliseconds, letting the thread work in
    // between, until it holds or the time is up; answers whether it held.
    bool pollUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

private:
    struct Task {
        virtual ~Task() = default;
        virtual void run() = 0;
    };
    template <typename Work>
    struct TaskOf : Task {
        explicit TaskOf(Work work) : work_(std::move(work)) {}
        void run() override { work_(); }
        Work work_;
    };

    bool postTask(std::unique_ptr<Task> task);
    void pump(std::promise<HWND>& started);
    void runAfterMessage();
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    FaultSink faultSink_;
    std::function<void()> afterEachMessage_;
    // Guards the hand-over of work against the end of the pump: once the pump has stopped taking
    // work no task can be posted, so the ones still queued can all be found and dropped.
    std::mutex postingLock_;
    HWND window_ = nullptr;  // guarded by postingLock_ once the thread runs
    DWORD threadId_ = 0;
    std::thread::id id_;
    std::thread thread_;
};

}  // namespace test_support
