#include "platform/base/kernel_object.h"

#include "platform/thread/win_sync.h"

#include <atomic>
#include <chrono>
#include <unordered_map>

namespace platform::detail {

namespace {

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<HANDLE, std::shared_ptr<KernelObject>> objects;
};

// Never destroyed: threads may still close handles while the process runs its exit handlers.
HandleTable& handleTable() {
    static HandleTable* table = new HandleTable;
    return *table;
}

}  // namespace

uintptr_t nextHandleValue() {
    // Multiples of four, as the original's handles are; starting high keeps them clear of small
    // integers and of the pseudo handles (-1, -2, -3).
    static std::atomic<uintptr_t> next{0x10000};
    return next.fetch_add(4);
}

bool KernelObject::wait(DWORD milliseconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto ready = [this] { return signalledLocked(); };
    if (milliseconds == INFINITE) {
        changed_.wait(lock, ready);
    } else if (!changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), ready)) {
        return false;
    }
    consumeLocked();
    return true;
}

HANDLE registerKernelObject(std::shared_ptr<KernelObject> object) {
    HANDLE handle = reinterpret_cast<HANDLE>(nextHandleValue());
    HandleTable& table = handleTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.objects.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<KernelObject> findKernelObject(HANDLE handle) {
    HandleTable& table = handleTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto found = table.objects.find(handle);
    return found == table.objects.end() ? nullptr : found->second;
}

bool closeKernelObject(HANDLE handle) {
    std::shared_ptr<KernelObject> released;  // destroyed outside the table lock
    HandleTable& table = handleTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto found = table.objects.find(handle);
    if (found == table.objects.end()) return false;
    released = std::move(found->second);
    table.objects.erase(found);
    return true;
}

}  // namespace platform::detail
