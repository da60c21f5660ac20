#include "tests/support/page_engine/browser_main_thread.h"

#include "platform/thread/win_thread.h"
#include "tests/support/page_engine/message_window.h"

#include <mutex>

namespace test_support {

namespace {

constexpr UINT kTaskMessage = WM_USER + 1;  // lParam: a Task the window procedure takes over
constexpr UINT kQuitMessage = WM_USER + 2;
constexpr const wchar_t* kClassName = L"StandInBrowserMainThread";

}  // namespace

BrowserMainThread::BrowserMainThread(FaultSink faultSink, std::function<void()> afterEachMessage)
    : faultSink_(std::move(faultSink)), afterEachMessage_(std::move(afterEachMessage)) {
    std::promise<HWND> started;
    std::future<HWND> window = started.get_future();
    thread_ = std::thread([this, &started] { pump(started); });
    window_ = window.get();
    if (!window_) {
        thread_.join();
        throw std::runtime_error("the browser's main thread could not make its message window");
    }
}

BrowserMainThread::~BrowserMainThread() {
    {
        std::lock_guard<std::mutex> lock(postingLock_);
        if (window_) PostMessageW(window_, kQuitMessage, 0, 0);
    }
    thread_.join();
}

bool BrowserMainThread::post(std::function<void()> work) {
    return postTask(std::make_unique<TaskOf<std::function<void()>>>(std::move(work)));
}

bool BrowserMainThread::pollUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    constexpr std::chrono::milliseconds kPollInterval(2);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        if (run(condition)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

bool BrowserMainThread::postTask(std::unique_ptr<Task> task) {
    std::lock_guard<std::mutex> lock(postingLock_);
    if (!window_ || !PostMessageW(window_, kTaskMessage, 0, reinterpret_cast<LPARAM>(task.get()))) return false;
    task.release();  // the window procedure owns it now
    return true;
}

void BrowserMainThread::pump(std::promise<HWND>& started) {
    threadId_ = GetCurrentThreadId();
    id_ = std::this_thread::get_id();
    HWND window = createMessageWindow(kClassName, windowProcedure, this);
    started.set_value(window);
    if (!window) return;
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
        runAfterMessage();
    }
    {
        std::lock_guard<std::mutex> lock(postingLock_);
        window_ = nullptr;
    }
    // Work nobody will run: dropping it breaks the promises of its waiters.
    while (PeekMessageW(&message, window, kTaskMessage, kTaskMessage, PM_REMOVE))
        delete reinterpret_cast<Task*>(message.lParam);
    destroyMessageWindow(window);
}

void BrowserMainThread::runAfterMessage() {
    if (!afterEachMessage_) return;
    try {
        afterEachMessage_();
    } catch (const std::exception& error) {
        if (faultSink_) faultSink_(std::string("the browser's safe-point work threw: ") + error.what());
    }
}

LRESULT CALLBACK BrowserMainThread::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = messageWindowOwner<BrowserMainThread>(window);
    if (message == kQuitMessage) {
        PostQuitMessage(0);
        return 0;
    }
    if (message != kTaskMessage || !self) return DefWindowProcW(window, message, wParam, lParam);
    std::unique_ptr<Task> task(reinterpret_cast<Task*>(lParam));
    try {
        task->run();
    } catch (const std::exception& error) {
        if (self->faultSink_) self->faultSink_(std::string("a browser task threw: ") + error.what());
    } catch (...) {
        if (self->faultSink_) self->faultSink_("a browser task threw a non-standard exception");
    }
    return 0;
}

}  // namespace test_support
