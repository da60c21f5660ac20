// A bounded first-in first-out queue from one set of threads to another: a producer waits while it
// is full, the consumer while it is empty, and closing it wakes both at once. What it holds when it
// is closed is dropped.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>

namespace livevideo {

template <typename T>
class HandoffQueue {
public:
    explicit HandoffQueue(size_t capacity) : capacity_(capacity) {}

    // Empty, and taking items again.
    void open() {
        std::lock_guard lock(mutex_);
        items_.clear();
        closed_ = false;
    }

    // Drops what waits; push and pop return at once from now on.
    void close() {
        std::deque<T> dropped;  // released outside the lock
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
            dropped.swap(items_);
        }
        changed_.notify_all();
    }

    // Appends the item once there is room; false (the item dropped) when the queue is closed.
    bool push(T item) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return closed_ || items_.size() < capacity_; });
        if (closed_) {
            return false;
        }
        items_.push_back(std::move(item));
        lock.unlock();
        changed_.notify_all();
        return true;
    }

    // The oldest item once there is one; nothing when the queue is closed.
    std::optional<T> pop() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return closed_ || !items_.empty(); });
        if (closed_) {
            return std::nullopt;
        }
        std::optional<T> item(std::move(items_.front()));
        items_.pop_front();
        lock.unlock();
        changed_.notify_all();
        return item;
    }

private:
    const size_t capacity_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<T> items_;
    bool closed_ = true;
};

}  // namespace livevideo
