#include "host/async_call_manager.h"

#include <unordered_map>
#include <vector>

namespace FB {

namespace {

// Which manager a token belongs to. Tokens are never reused, so a stale one resolves to nothing.
class TokenRegistry {
public:
    uintptr_t add(const std::weak_ptr<AsyncCallManager>& owner) {
        std::lock_guard<std::mutex> guard(m_lock);
        uintptr_t token = ++m_lastToken;
        m_owners.emplace(token, owner);
        return token;
    }
    std::shared_ptr<AsyncCallManager> take(uintptr_t token) {
        std::lock_guard<std::mutex> guard(m_lock);
        auto it = m_owners.find(token);
        if (it == m_owners.end()) return {};
        auto owner = it->second.lock();
        m_owners.erase(it);
        return owner;
    }
    void remove(uintptr_t token) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_owners.erase(token);
    }

private:
    std::mutex m_lock;
    uintptr_t m_lastToken = 0;
    std::unordered_map<uintptr_t, std::weak_ptr<AsyncCallManager>> m_owners;
};

// Kept for the whole process: a manager may die during static destruction.
TokenRegistry& tokens() {
    static TokenRegistry* registry = new TokenRegistry;
    return *registry;
}

void runRecord(const AsyncCallDataPtr& record) {
    if (!record->fn) return;
    AsyncCallFunction fn = record->fn;
    record->fn = nullptr;
    record->called = true;
    fn(record->userData);
}

// A call that will never run: its user data goes, when the record owns it.
void discardRecord(const AsyncCallDataPtr& record) {
    if (!record->fn) return;
    record->fn = nullptr;
    if (record->discard) record->discard(record->userData);
}

}  // namespace

AsyncCallManager::~AsyncCallManager() {
    for (const auto& entry : m_pending) {
        tokens().remove(entry.first);
        discardRecord(entry.second);
    }
}

AsyncCallDataPtr AsyncCallManager::registerCall(AsyncCallFunction fn, void* userData, AsyncCallFunction discard) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (m_shutDown) return {};
    auto record = std::make_shared<AsyncCallData>();
    record->fn = fn;
    record->userData = userData;
    record->discard = discard;
    record->id = ++m_callCounter;
    record->manager = weak_from_this();
    record->token = tokens().add(weak_from_this());
    m_pending.emplace(record->token, record);
    return record;
}

bool AsyncCallManager::unregisterCall(const AsyncCallDataPtr& record) {
    if (!record) return false;
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        tokens().remove(record->token);
        if (m_pending.erase(record->token) == 0) return false;
    }
    // Outside the lock: freeing the user data may release objects that post again.
    discardRecord(record);
    return true;
}

AsyncCallDataPtr AsyncCallManager::takePending(uintptr_t token) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    auto it = m_pending.find(token);
    if (it == m_pending.end()) return {};
    AsyncCallDataPtr record = it->second;
    m_pending.erase(it);
    return record;
}

void AsyncCallManager::runCall(void* token) {
    auto value = reinterpret_cast<uintptr_t>(token);
    std::shared_ptr<AsyncCallManager> manager = tokens().take(value);
    if (!manager) return;
    AsyncCallDataPtr record = manager->takePending(value);
    // Run outside the manager's lock: the call may post again or take other locks.
    if (record) runRecord(record);
}

void AsyncCallManager::shutdown() {
    std::map<uintptr_t, AsyncCallDataPtr> pending;
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        m_shutDown = true;
        pending.swap(m_pending);
        for (const auto& entry : pending) tokens().remove(entry.first);
    }
    for (const auto& entry : pending) runRecord(entry.second);
}

}  // namespace FB
