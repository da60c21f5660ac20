// Owns one reference to a COM object and releases it when it goes, so that no early return of a
// set-up sequence leaks an interface.
#pragma once

template <typename Interface>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    Interface* get() const { return object_; }
    Interface* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // Where a creating call stores the reference it hands out; drops the one held before.
    Interface** receive() {
        reset();
        return &object_;
    }

    void reset() {
        if (object_) object_->Release();
        object_ = nullptr;
    }

private:
    Interface* object_ = nullptr;
};
