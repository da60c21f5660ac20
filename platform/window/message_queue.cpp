#include "platform/window/window_system.h"

#include "platform/base/win_error.h"
#include "platform/window/win_input.h"
#include "platform/thread/win_thread.h"

#include <optional>

using namespace platform::detail;

namespace {

bool inRange(UINT message, UINT filterMin, UINT filterMax) {
    if (filterMin == 0 && filterMax == 0) return true;
    return message >= filterMin && message <= filterMax;
}

MSG makeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG made{window, message, wParam, lParam, GetTickCount(), windowSystem().input.cursor};
    return made;
}

// Runs the oldest message another thread sent to this thread's windows and releases its sender.
// Returns false when none waits.
bool serveOneSentLocked(std::unique_lock<std::mutex>& lock, ThreadQueue& queue) {
    if (queue.sent.empty()) return false;
    std::shared_ptr<SentMessage> sent = queue.sent.front();
    queue.sent.pop_front();
    auto window = findWindowLocked(sent->window);
    LRESULT result = 0;
    if (window && window->queue.get() == &queue) {
        try {
            result =
                callProcedureUnlocked(lock, window->procedure, sent->window, sent->message, sent->wParam, sent->lParam);
        } catch (...) {
            completeSentLocked(*sent, 0);  // the sender must not wait for ever
            throw;
        }
    }
    completeSentLocked(*sent, result);
    return true;
}

HWND topLevelAncestorLocked(HWND handle) {
    for (auto window = findWindowLocked(handle); window;) {
        if (!window->parent) return window->handle;
        window = findWindowLocked(window->parent);
    }
    return nullptr;
}

bool isSameOrDescendantLocked(HWND handle, HWND ancestor) {
    for (auto window = findWindowLocked(handle); window; window = findWindowLocked(window->parent)) {
        if (window->handle == ancestor) return true;
    }
    return false;
}

bool isButtonDown(UINT message) {
    return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
           message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDBLCLK;
}

// Before mouse input is handed out, the window hears WM_SETCURSOR and, for a press,
// WM_MOUSEACTIVATE; a press activates the window's top-level window unless the focus is already
// inside it (a procedure may have taken it in WM_MOUSEACTIVATE).
void announceInputLocked(std::unique_lock<std::mutex>& lock, const MSG& input) {
    auto window = findWindowLocked(input.hwnd);
    bool mouse = input.message >= WM_MOUSEMOVE && input.message <= WM_MOUSEWHEEL;
    if (!window || window->messageOnly || !mouse) return;
    LPARAM hit = MAKELPARAM(HTCLIENT, input.message);
    if (isButtonDown(input.message)) {
        HWND topLevel = topLevelAncestorLocked(input.hwnd);
        LRESULT activation = callProcedureUnlocked(lock, window->procedure, input.hwnd, WM_MOUSEACTIVATE,
                                                   reinterpret_cast<WPARAM>(topLevel), hit);
        HWND focus = windowSystem().focus;
        if (activation == MA_ACTIVATE && findWindowLocked(topLevel) && !isSameOrDescendantLocked(focus, topLevel)) {
            lock.unlock();
            SetFocus(topLevel);
            lock.lock();
        }
    }
    // Looked up again: the activation may have destroyed or subclassed the window.
    if (auto current = findWindowLocked(input.hwnd)) {
        callProcedureUnlocked(lock, current->procedure, input.hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(input.hwnd),
                              hit);
    }
}

struct Filter {
    HWND window;
    UINT min;
    UINT max;
    bool matches(HWND messageWindow, UINT message) const {
        return matchesFilter(messageWindow, window) && inRange(message, min, max);
    }
};

bool takePostedLocked(std::unique_lock<std::mutex>& lock, ThreadQueue& queue, const Filter& filter, MSG* out,
                      bool remove) {
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (!filter.matches(it->message.hwnd, it->message.message)) continue;
        *out = it->message;
        if (remove) {
            std::shared_ptr<const InputState> input = std::move(it->input);
            queue.posted.erase(it);
            if (input) {
                windowSystem().input = *input;
                announceInputLocked(lock, *out);
            }
        }
        return true;
    }
    return false;
}

bool takePaintLocked(ThreadQueue& queue, const Filter& filter, MSG* out) {
    for (auto& [handle, window] : windowSystem().windows) {
        if (window->queue.get() != &queue || !window->needsPaint || !isShownLocked(*window)) continue;
        if (!filter.matches(handle, WM_PAINT)) continue;
        *out = makeMessage(handle, WM_PAINT, 0, 0);
        return true;  // stays until the window is validated (BeginPaint)
    }
    return false;
}

bool timerDue(const Timer& timer, Clock::time_point now) {
    return timer.firedByHand || (windowSystem().timersFollowClock && now >= timer.due);
}

bool takeTimerLocked(ThreadQueue& queue, const Filter& filter, MSG* out, bool remove) {
    Clock::time_point now = Clock::now();
    for (Timer& timer : queue.timers) {
        if (!timerDue(timer, now) || !filter.matches(timer.window, WM_TIMER)) continue;
        *out = makeMessage(timer.window, WM_TIMER, timer.id, reinterpret_cast<LPARAM>(timer.procedure));
        if (remove) {
            timer.firedByHand = false;
            timer.due = now + std::chrono::milliseconds(timer.elapse);
        }
        return true;
    }
    return false;
}

// One message for the pump, in the original's order of priority.
bool retrieveLocked(std::unique_lock<std::mutex>& lock, ThreadQueue& queue, const Filter& filter, MSG* out,
                    bool remove) {
    while (serveOneSentLocked(lock, queue)) {}
    if (takePostedLocked(lock, queue, filter, out, remove)) return true;
    if (queue.quitPosted && inRange(WM_QUIT, filter.min, filter.max)) {
        *out = makeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
        if (remove) queue.quitPosted = false;
        return true;
    }
    return takePaintLocked(queue, filter, out) || takeTimerLocked(queue, filter, out, remove);
}

// When the next timer the filter lets through falls due; the others must not cut the wait short.
std::optional<Clock::time_point> nextFilteredTimerDueLocked(const ThreadQueue& queue, const Filter& filter) {
    if (!windowSystem().timersFollowClock) return std::nullopt;
    std::optional<Clock::time_point> next;
    for (const Timer& timer : queue.timers) {
        if (!filter.matches(timer.window, WM_TIMER)) continue;
        if (!next || timer.due < *next) next = timer.due;
    }
    return next;
}

bool validFilterWindowLocked(HWND filter) {
    if (!filter || filter == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1))) return true;
    return requireWindowLocked(filter) != nullptr;
}

}  // namespace

namespace platform::detail {

bool hasDueMessagesLocked(const ThreadQueue& queue) {
    if (!queue.sent.empty() || !queue.posted.empty()) return true;
    for (const auto& [handle, window] : windowSystem().windows) {
        if (window->queue.get() == &queue && window->needsPaint && isShownLocked(*window)) return true;
    }
    const Clock::time_point now = Clock::now();
    for (const Timer& timer : queue.timers) {
        if (timerDue(timer, now)) return true;
    }
    return false;
}

std::optional<Clock::time_point> nextTimerDueLocked(const ThreadQueue& queue) {
    return nextFilteredTimerDueLocked(queue, Filter{nullptr, 0, 0});
}

int dispatchDueMessages(int limit, PostedQuit quit) {
    int dispatched = 0;
    MSG message;
    while (dispatched < limit && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            if (quit == PostedQuit::Drop) continue;
            PostQuitMessage(static_cast<int>(message.wParam));  // left for the thread's own loop
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
        ++dispatched;
    }
    return dispatched;
}

void sendNotify(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    auto self = currentQueue();
    std::unique_lock<std::mutex> lock(windowSystem().lock);
    auto window = findWindowLocked(handle);
    if (!window) return;
    if (window->queue == self) {
        callProcedureUnlocked(lock, window->procedure, handle, message, wParam, lParam);
        return;
    }
    if (!window->queue->alive) return;
    window->queue->sent.push_back(
        std::make_shared<SentMessage>(SentMessage{handle, message, wParam, lParam, 0, false, nullptr}));
    window->queue->wake.notify_all();
}

void postLocked(Window& window, const MSG& message, bool input) {
    auto state = input ? std::make_shared<const InputState>(windowSystem().input) : nullptr;
    window.queue->posted.push_back(PostedMessage{message, std::move(state)});
    window.queue->wake.notify_all();
}

}  // namespace platform::detail

BOOL WINAPI PostMessageW(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    auto queue = handle ? nullptr : currentQueue();
    WindowSystem& system = windowSystem();
    std::lock_guard<std::mutex> lock(system.lock);
    if (!handle) {  // a message for the calling thread itself
        queue->posted.push_back(PostedMessage{makeMessage(nullptr, message, wParam, lParam), nullptr});
        queue->wake.notify_all();
        return TRUE;
    }
    auto window = requireWindowLocked(handle);
    if (!window) return FALSE;
    postLocked(*window, makeMessage(handle, message, wParam, lParam), false);
    return TRUE;
}

LRESULT WINAPI SendMessageW(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    auto self = currentQueue();
    WindowSystem& system = windowSystem();
    std::unique_lock<std::mutex> lock(system.lock);
    auto window = requireWindowLocked(handle);
    if (!window) return 0;
    if (window->queue == self) return callProcedureUnlocked(lock, window->procedure, handle, message, wParam, lParam);
    if (!window->queue->alive) return 0;

    auto sent = std::make_shared<SentMessage>(SentMessage{handle, message, wParam, lParam, 0, false, self});
    window->queue->sent.push_back(sent);
    window->queue->wake.notify_all();
    // While waiting, serve what other threads send here, so two threads sending to each other
    // both get their answers.
    while (!sent->done) {
        if (!serveOneSentLocked(lock, *self)) self->wake.wait(lock);
    }
    return sent->result;
}

void WINAPI PostQuitMessage(int exitCode) {
    auto queue = currentQueue();
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    queue->quitPosted = true;
    queue->quitCode = exitCode;
    queue->wake.notify_all();
}

BOOL WINAPI GetMessageW(LPMSG message, HWND window, UINT filterMin, UINT filterMax) {
    auto queue = currentQueue();
    std::unique_lock<std::mutex> lock(windowSystem().lock);
    if (!validFilterWindowLocked(window)) return -1;
    Filter filter{window, filterMin, filterMax};
    while (!retrieveLocked(lock, *queue, filter, message, true)) {
        if (auto due = nextFilteredTimerDueLocked(*queue, filter)) {
            queue->wake.wait_until(lock, *due);
        } else {
            queue->wake.wait(lock);
        }
    }
    return message->message == WM_QUIT ? FALSE : TRUE;
}

BOOL WINAPI PeekMessageW(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    auto queue = currentQueue();
    std::unique_lock<std::mutex> lock(windowSystem().lock);
    if (!validFilterWindowLocked(window)) return FALSE;
    Filter filter{window, filterMin, filterMax};
    return retrieveLocked(lock, *queue, filter, message, (removeFlags & PM_REMOVE) != 0) ? TRUE : FALSE;
}

LRESULT WINAPI DispatchMessageW(const MSG* message) {
    if (!message) return 0;
    if (message->message == WM_TIMER && message->lParam) {
        reinterpret_cast<TIMERPROC>(message->lParam)(message->hwnd, WM_TIMER, message->wParam, GetTickCount());
        return 0;
    }
    if (!message->hwnd) return 0;  // thread messages reach no window procedure
    auto queue = currentQueue();
    std::unique_lock<std::mutex> lock(windowSystem().lock);
    auto window = requireWindowLocked(message->hwnd);
    if (!window || window->queue != queue) return 0;
    return callProcedureUnlocked(lock, window->procedure, message->hwnd, message->message, message->wParam,
                                 message->lParam);
}
