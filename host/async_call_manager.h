// The registry of calls posted to the main thread and not yet run. The host registers each call
// here before it posts it, and posts only a token. The main thread resolves the token back to the
// record, so a message that arrives late (after shutdown ran the call, or after the manager died)
// finds nothing and runs nothing; records are held by shared ownership and never freed under a
// message still in flight. Every registered call runs at most once: from its message, or at the
// latest when the manager shuts down. A call registered with a discard function owns its user
// data: when it will never run (withdrawn, or still pending when the manager goes) the manager
// frees the user data with it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace FB {

class AsyncCallManager;

using AsyncCallFunction = void (*)(void*);

struct AsyncCallData {
    AsyncCallFunction fn = nullptr;
    void* userData = nullptr;
    AsyncCallFunction discard = nullptr;  // frees userData unrun; null when the poster keeps it
    int32_t id = 0;
    bool called = false;
    std::weak_ptr<AsyncCallManager> manager;
    uintptr_t token = 0;  // process-wide, what travels in the posted message
};

using AsyncCallDataPtr = std::shared_ptr<AsyncCallData>;

class AsyncCallManager : public std::enable_shared_from_this<AsyncCallManager> {
public:
    AsyncCallManager() = default;
    AsyncCallManager(const AsyncCallManager&) = delete;
    AsyncCallManager& operator=(const AsyncCallManager&) = delete;
    ~AsyncCallManager();

    // Null once the manager has shut down: nothing may be queued that would never run. (The user
    // data is then still the caller's, discard function or not.)
    AsyncCallDataPtr registerCall(AsyncCallFunction fn, void* userData, AsyncCallFunction discard = nullptr);
    // True when the record was still pending and is now withdrawn (it will never run; its user
    // data is discarded when it has a discard function); false when it was already taken to run,
    // by its message or by shutdown.
    bool unregisterCall(const AsyncCallDataPtr& record);
    // Runs every call still pending, now, on the calling thread; later registrations are refused.
    // The calls run outside the lock: one may wait for a thread that is itself inside
    // unregisterCall.
    void shutdown();

    // What the host posts: runCall with the record's token as its user data.
    static void runCall(void* token);
    static void* tokenOf(const AsyncCallDataPtr& record) { return reinterpret_cast<void*>(record->token); }

private:
    AsyncCallDataPtr takePending(uintptr_t token);

    int32_t m_callCounter = 1;
    bool m_shutDown = false;
    std::recursive_mutex m_lock;
    std::map<uintptr_t, AsyncCallDataPtr> m_pending;
};

}  // namespace FB
