// Running a thread's window messages inside another program's event loop (a browser's, a
// toolkit's) instead of a GetMessageW pump of its own. Whenever the thread has something to
// handle (a message posted or sent to it, a window to paint, a timer come due) the loop wakes the
// program, which then has the thread handle what is due, in turn with its own work, and goes back
// to its own loop. Nothing is polled while nothing is due.
#pragma once

#include "platform/base/win_types.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace platform::embedding {

class HostedMessageLoop {
public:
    // Asks the program to call pumpDue on the loop's thread soon; must not block.
    using Wakeup = std::function<void()>;

    // Hosts the calling thread's messages. wakeup is called on a thread of the loop's own, with no
    // lock of the window system held, and once only until the next pumpDue.
    explicit HostedMessageLoop(Wakeup wakeup);
    // Stops waking the program and joins the loop's thread. The hosting thread only.
    ~HostedMessageLoop();
    HostedMessageLoop(const HostedMessageLoop&) = delete;
    HostedMessageLoop& operator=(const HostedMessageLoop&) = delete;

    // Dispatches what is due now, at most limit messages, without waiting, and answers how many
    // it dispatched; what is left wakes the program again. A posted quit is dropped: the program's
    // own loop decides when the thread's work ends. The hosting thread only.
    int pumpDue(int limit = kDefaultPumpLimit);

    // How long until the hosting thread's next timer falls due (zero when one is due), or nothing
    // while no timer runs.
    std::optional<std::chrono::milliseconds> timeUntilNextTimer() const;

    static constexpr int kDefaultPumpLimit = 64;

private:
    struct State;
    void watch();

    std::unique_ptr<State> state_;  // shared with the watching thread, which goes first
    std::thread watcher_;
};

}  // namespace platform::embedding
