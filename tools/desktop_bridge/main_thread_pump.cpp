#include "tools/desktop_bridge/main_thread_pump.h"

#include <algorithm>
#include <cassert>

namespace desktop {

MainThreadPump::MainThreadPump(NPN_PluginThreadAsyncCallProcPtr asyncCall, std::function<void()> afterPump)
    : asyncCall_(asyncCall), afterPump_(std::move(afterPump)) {}

MainThreadPump::~MainThreadPump() { loop_.reset(); }

void MainThreadPump::addInstance(NPP instance) {
    assert(std::this_thread::get_id() == mainThread_);
    {
        std::lock_guard<std::mutex> hold(lock_);
        instances_.push_back(instance);
    }
    // What was posted while no instance was there wakes the new loop at once.
    if (!loop_) loop_.emplace([this] { wake(); });
}

void MainThreadPump::removeInstance(NPP instance) {
    assert(std::this_thread::get_id() == mainThread_);
    bool last = false;
    {
        std::lock_guard<std::mutex> hold(lock_);
        instances_.erase(std::remove(instances_.begin(), instances_.end(), instance), instances_.end());
        last = instances_.empty();
    }
    pumpNow();
    if (last) loop_.reset();
}

void MainThreadPump::pumpNow() {
    assert(std::this_thread::get_id() == mainThread_);
    if (!loop_) return;
    loop_->pumpDue();
    if (afterPump_) afterPump_();
}

void MainThreadPump::wake() {
    std::lock_guard<std::mutex> hold(lock_);
    // With no instance left the loop is about to end; what is due waits for the next instance.
    if (instances_.empty() || !asyncCall_) return;
    asyncCall_(instances_.front(), &MainThreadPump::runScheduled, this);
}

void MainThreadPump::runScheduled(void* pump) { static_cast<MainThreadPump*>(pump)->pumpNow(); }

}  // namespace desktop
