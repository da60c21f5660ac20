// One call posted to a message window with message 1025: allocated by the poster, freed by the
// window once it has run the call (or, if the window goes first, without running it).
#pragma once

namespace FB {

constexpr unsigned kAsyncCallMessage = 1025;  // WM_USER + 1

struct AsyncCallRecord {
    void (*fn)(void*);
    void* userData;
};

}  // namespace FB
