#include "platform/thread/thread_identity.h"

#include <atomic>

namespace platform::detail {

namespace {
thread_local DWORD threadId = 0;
}

DWORD newThreadId() {
    static std::atomic<DWORD> next{1};
    return next.fetch_add(1);
}

void adoptThreadId(DWORD id) { threadId = id; }

DWORD currentThreadId() {
    if (threadId == 0) threadId = newThreadId();
    return threadId;
}

}  // namespace platform::detail
