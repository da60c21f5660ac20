#include "tests/support/page_engine/pump_timers.h"

#include "tests/support/page_engine/message_window.h"

#include <algorithm>
#include <climits>
#include <stdexcept>
#include <vector>

namespace test_support {

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr const wchar_t* kClassName = L"StandInBrowserPumpTimers";

}  // namespace

PumpTimers::PumpTimers(DueSink dueSink) : dueSink_(std::move(dueSink)) {
    window_ = createMessageWindow(kClassName, windowProcedure, this);
    if (!window_) throw std::runtime_error("page timers: cannot make their message window");
}

PumpTimers::~PumpTimers() { destroyMessageWindow(window_); }

int PumpTimers::add(std::chrono::milliseconds delay) {
    const int id = nextId_++;
    timers_.emplace(Key{Clock::now() + std::max(delay, std::chrono::milliseconds(0)), sequence_++}, id);
    arm();
    return id;
}

bool PumpTimers::cancel(int id) {
    const auto found =
        std::find_if(timers_.begin(), timers_.end(), [id](const auto& entry) { return entry.second == id; });
    if (found == timers_.end()) return false;
    timers_.erase(found);
    arm();
    return true;
}

void PumpTimers::arm() {
    if (timers_.empty()) {
        KillTimer(window_, kTimerId);
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(timers_.begin()->first.first - Clock::now());
    SetTimer(window_, kTimerId, static_cast<UINT>(std::clamp<long long>(wait.count(), 0, INT_MAX)), nullptr);
}

// Runs the timers due when the platform timer fired; timers a callback sets meanwhile wait for the
// next round, even with no delay, so that a page that keeps setting timers cannot starve the pump.
void PumpTimers::runDue() {
    const Key last{Clock::now(), sequence_};
    while (!timers_.empty() && timers_.begin()->first < last) {
        const int id = timers_.begin()->second;
        timers_.erase(timers_.begin());
        dueSink_(id);
    }
    arm();
}

LRESULT CALLBACK PumpTimers::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = messageWindowOwner<PumpTimers>(window);
    if (message != WM_TIMER || !self) return DefWindowProcW(window, message, wParam, lParam);
    self->runDue();
    return 0;
}

}  // namespace test_support
