// Run-time-typed cast between shared pointers of related classes: the same object with one more
// owner when it is of the target class (or derives from it), else an empty pointer. Never throws.
#pragma once

#include <memory>

namespace FB {

template <class Target, class Source>
std::shared_ptr<Target> castPointer(const std::shared_ptr<Source>& pointer) noexcept {
    return std::dynamic_pointer_cast<Target>(pointer);
}

}  // namespace FB
