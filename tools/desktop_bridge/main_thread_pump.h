// The plug-in's main-thread window messages run inside the browser's event loop while the plug-in
// has instances: when the hosted message loop says something is due, a pump is scheduled on the
// browser's main thread through NPN_PluginThreadAsyncCall, which needs a live instance to schedule
// with. Nothing runs while nothing is due, and no thread of the pump's is left once the last
// instance has gone.
#pragma once

#include "platform/npapi/npfunctions.h"
#include "platform/window/win_message_host.h"

#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace desktop {

class MainThreadPump {
public:
    // Pumps the calling thread's messages: the browser's main thread. afterPump runs on it after
    // each pump.
    MainThreadPump(NPN_PluginThreadAsyncCallProcPtr asyncCall, std::function<void()> afterPump);
    ~MainThreadPump();
    MainThreadPump(const MainThreadPump&) = delete;
    MainThreadPump& operator=(const MainThreadPump&) = delete;

    // Instances pumps can be scheduled with. A browser drops what was scheduled with an instance
    // once it ends it, so removing an instance pumps at once, and what is left then is scheduled
    // with another one. Main thread only.
    void addInstance(NPP instance);
    void removeInstance(NPP instance);

    // Handles what is due now. Main thread only.
    void pumpNow();

private:
    void wake();  // the hosted loop's thread
    static void runScheduled(void* pump);

    const NPN_PluginThreadAsyncCallProcPtr asyncCall_;
    const std::function<void()> afterPump_;
    const std::thread::id mainThread_ = std::this_thread::get_id();
    std::mutex lock_;
    std::vector<NPP> instances_;  // guarded by lock_
    // While there are instances; made and ended on the main thread only, never under lock_ (its
    // thread takes lock_ to wake the browser).
    std::optional<platform::embedding::HostedMessageLoop> loop_;
};

}  // namespace desktop
