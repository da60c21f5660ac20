// Holds a critical section from construction to the end of the scope, so that no early return
// leaves it entered.
#pragma once

#include "platform/thread/win_sync.h"

class CriticalSectionHold {
public:
    explicit CriticalSectionHold(CRITICAL_SECTION& section) : section_(section) { EnterCriticalSection(&section_); }
    ~CriticalSectionHold() { LeaveCriticalSection(&section_); }
    CriticalSectionHold(const CriticalSectionHold&) = delete;
    CriticalSectionHold& operator=(const CriticalSectionHold&) = delete;

private:
    CRITICAL_SECTION& section_;
};
