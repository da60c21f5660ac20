// A small shared holder of a plain object address. It neither owns nor counts the target: its
// owner holds the one strong reference, and others learn through weak references whether the
// owner (and with it the target) still lives.
#pragma once

#include <memory>

namespace FB {

template <typename T>
class ShareableReference : public std::enable_shared_from_this<ShareableReference<T>> {
public:
    explicit ShareableReference(T* target) : m_target(target) {}
    T* getPtr() const { return m_target; }

private:
    T* m_target;
};

}  // namespace FB
