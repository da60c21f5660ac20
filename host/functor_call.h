// One bound operation carried to the main thread, with its result once it has run, and optionally
// a reference that keeps the operation's target alive until the call object goes.
#pragma once

#include "host/framework_log.h"

#include <memory>
#include <type_traits>
#include <utility>

namespace FB {

class FunctorCall {
public:
    virtual ~FunctorCall() = default;
    virtual void call() = 0;
};

// F: the bound call; K: the type of the kept object (bool when nothing is kept); R: F's result.
template <typename F, typename K = bool, typename R = std::invoke_result_t<F&>>
class FunctorCallImpl : public FunctorCall {
public:
    explicit FunctorCallImpl(F boundCall) : m_boundCall(std::move(boundCall)) {}
    FunctorCallImpl(std::shared_ptr<K> reference, F boundCall)
        : m_holdsReference(true), m_reference(std::move(reference)), m_boundCall(std::move(boundCall)) {}
    ~FunctorCallImpl() override { frameworkLog("FunctorCall", "Destroying FunctorCall object (non-void)"); }

    void call() override { m_result = m_boundCall(); }
    R getResult() const { return m_result; }

private:
    bool m_holdsReference = false;
    std::shared_ptr<K> m_reference;
    F m_boundCall;
    R m_result{};
};

template <typename F, typename K>
class FunctorCallImpl<F, K, void> : public FunctorCall {
public:
    explicit FunctorCallImpl(F boundCall) : m_boundCall(std::move(boundCall)) {}
    FunctorCallImpl(std::shared_ptr<K> reference, F boundCall)
        : m_boundCall(std::move(boundCall)), m_holdsReference(true), m_reference(std::move(reference)) {}
    ~FunctorCallImpl() override { frameworkLog("FunctorCall", "Destroying FunctorCall object (void)"); }

    void call() override { m_boundCall(); }

private:
    F m_boundCall;
    bool m_holdsReference = false;
    std::shared_ptr<K> m_reference;
};

}  // namespace FB
