#include "platform/window/win_message_host.h"

#include "platform/window/window_system.h"

#include <algorithm>
#include <cassert>

using namespace platform::detail;

namespace platform::embedding {

// Guarded by the window system's lock, on whose queue the watching thread waits.
struct HostedMessageLoop::State {
    Wakeup wakeup;
    std::shared_ptr<ThreadQueue> queue;
    std::thread::id owner;
    bool armed = true;  // false from a wake-up until the next pump
    bool stopping = false;
};

HostedMessageLoop::HostedMessageLoop(Wakeup wakeup) : state_(std::make_unique<State>()) {
    state_->wakeup = std::move(wakeup);
    state_->queue = currentQueue();
    state_->owner = std::this_thread::get_id();
    watcher_ = std::thread(&HostedMessageLoop::watch, this);
}

HostedMessageLoop::~HostedMessageLoop() {
    assert(std::this_thread::get_id() == state_->owner);
    {
        std::lock_guard<std::mutex> lock(windowSystem().lock);
        state_->stopping = true;
        state_->queue->wake.notify_all();
    }
    watcher_.join();
}

// Sleeps on the hosted queue, which every post, send, paint request and timer change wakes, and
// until the next timer is due; wakes the program when something is due and it has pumped since
// it was last woken.
void HostedMessageLoop::watch() {
    State& state = *state_;
    ThreadQueue& queue = *state.queue;
    std::unique_lock<std::mutex> lock(windowSystem().lock);
    while (!state.stopping) {
        if (state.armed && hasDueMessagesLocked(queue)) {
            state.armed = false;
            lock.unlock();
            state.wakeup();
            lock.lock();
            continue;
        }
        std::optional<Clock::time_point> due = state.armed ? nextTimerDueLocked(queue) : std::nullopt;
        if (due) {
            queue.wake.wait_until(lock, *due);
        } else {
            queue.wake.wait(lock);
        }
    }
}

int HostedMessageLoop::pumpDue(int limit) {
    assert(std::this_thread::get_id() == state_->owner);
    int dispatched = dispatchDueMessages(limit, PostedQuit::Drop);
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    state_->armed = true;
    state_->queue->wake.notify_all();
    return dispatched;
}

std::optional<std::chrono::milliseconds> HostedMessageLoop::timeUntilNextTimer() const {
    std::lock_guard<std::mutex> lock(windowSystem().lock);
    std::optional<Clock::time_point> due = nextTimerDueLocked(*state_->queue);
    if (!due) return std::nullopt;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - Clock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

}  // namespace platform::embedding
