#include "platform/ddraw/ddraw_switches.h"

#include <array>
#include <atomic>

namespace {

using platform::testing::DirectDrawCall;

constexpr size_t kCallCount = static_cast<size_t>(DirectDrawCall::Blt) + 1;

std::array<std::atomic<bool>, kCallCount> failingCalls;
std::atomic<unsigned> generation{0};
std::atomic<int> locksStillDrawing{0};
std::atomic<int> liveObjects{0};

}  // namespace

namespace platform::detail {

bool directDrawCallFails(DirectDrawCall call) { return failingCalls[static_cast<size_t>(call)].load(); }

unsigned displayGeneration() { return generation.load(); }

bool takeStillDrawingLock() {
    int left = locksStillDrawing.load();
    while (left > 0) {
        if (locksStillDrawing.compare_exchange_weak(left, left - 1)) return true;
    }
    return false;
}

void countDirectDrawObject(int change) { liveObjects += change; }

}  // namespace platform::detail

namespace platform::testing {

void setDirectDrawCallFails(DirectDrawCall call, bool fails) { failingCalls[static_cast<size_t>(call)] = fails; }

void resetDirectDrawFailures() {
    for (auto& fails : failingCalls) fails = false;
    locksStillDrawing = 0;
}

void loseDirectDrawSurfaces() { ++generation; }

void setLocksStillDrawing(int count) { locksStillDrawing = count; }

int liveDirectDrawObjects() { return liveObjects.load(); }

}  // namespace platform::testing
