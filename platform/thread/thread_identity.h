// Numbers naming threads, as GetCurrentThreadId reports them. Internal to the platform library.
#pragma once

#include "platform/base/win_types.h"

namespace platform::detail {

DWORD newThreadId();
// Gives the calling thread the number handed out for it before it started (CreateThread reports
// the id before the thread runs).
void adoptThreadId(DWORD id);
DWORD currentThreadId();

}  // namespace platform::detail
