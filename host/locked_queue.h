// A queue shared between threads: push appends and wakes one thread blocked in wait_and_pop;
// try-pop takes the front element when there is one. The hosts keep objects here that other
// threads want released on the main thread.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>

namespace FB {

template <typename T>
class LockedQueue {
public:
    void push(const T& value) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_queue.push_back(value);
        }
        m_wake.notify_one();
    }

    bool try_pop(T& value) {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_queue.empty()) return false;
        value = std::move(m_queue.front());
        m_queue.pop_front();
        return true;
    }

    void wait_and_pop(T& value) {
        std::unique_lock<std::mutex> guard(m_lock);
        m_wake.wait(guard, [this] { return !m_queue.empty(); });
        value = std::move(m_queue.front());
        m_queue.pop_front();
    }

private:
    std::deque<T> m_queue;
    std::mutex m_lock;
    std::condition_variable m_wake;
};

}  // namespace FB
