// Carries one bound operation from any thread to the browser's main thread. A synchronous call
// waits for the result in slices of at most 10 ms and gives up when the host shuts down; an
// asynchronous call is queued and forgotten. A call made on the main thread runs inline.
#pragma once

#include "host/browser_host.h"
#include "host/functor_call.h"
#include "scripting/variant.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>

namespace FB {

class CrossThreadCall {
public:
    CrossThreadCall(const CrossThreadCall&) = delete;
    CrossThreadCall& operator=(const CrossThreadCall&) = delete;
    virtual ~CrossThreadCall() = default;

    // Runs the call on the main thread and returns its result. Off the main thread, failures are
    // script_error: "Could not marshal to main thread" when the call cannot be posted, "Shutting
    // down" when the host shuts down meanwhile, or the message of what the call raised there.
    template <typename F>
    static std::invoke_result_t<F&> syncCall(const BrowserHostPtr& host, F boundCall);

    // Queues the call for the main thread and returns at once; `reference` lives until it has run
    // or been discarded. Nothing is reported.
    template <typename K, typename F>
    static void postCall(const BrowserHostPtr& host, const std::shared_ptr<K>& reference, F boundCall);
    template <typename F>
    static void postCall(const BrowserHostPtr& host, F boundCall);

    // The main-thread halves, receiving the record posted: the waiting caller's call, if it is
    // still there, or the queued call itself.
    static void syncCallCallback(std::weak_ptr<CrossThreadCall>& waiting);
    static void postCallCallback(CrossThreadCall& call);

private:
    explicit CrossThreadCall(std::shared_ptr<FunctorCall> functor) : m_functor(std::move(functor)) {}

    // Posts the call and waits for it; throws the caller's script_error.
    static void postAndWait(const std::shared_ptr<CrossThreadCall>& call, BrowserHost& host);
    // Posts a fire-and-forget call; the host frees it when it refuses it.
    static void post(BrowserHost& host, std::shared_ptr<FunctorCall> functor);

    std::shared_ptr<FunctorCall> m_functor;
    variant m_result;  // a shared_ptr<script_error> when the call failed on the main thread
    bool m_returned = false;
    // The call may refer to the caller's own data (an output vector, the proxy it was made on):
    // once the main thread has started it, the caller waits for it to finish even when the host
    // shuts down meanwhile; a caller that left first marks the call abandoned so it never starts.
    bool m_started = false;
    bool m_abandoned = false;
    std::condition_variable m_condition;
    std::mutex m_mutex;
};

template <typename F>
std::invoke_result_t<F&> CrossThreadCall::syncCall(const BrowserHostPtr& host, F boundCall) {
    using R = std::invoke_result_t<F&>;
    auto functor = std::make_shared<FunctorCallImpl<F, bool, R>>(std::move(boundCall));
    if (!host->onMainThread()) {
        std::shared_ptr<CrossThreadCall> call(new CrossThreadCall(functor));
        postAndWait(call, *host);
    } else {
        functor->call();
    }
    if constexpr (!std::is_void_v<R>) return functor->getResult();
}

template <typename K, typename F>
void CrossThreadCall::postCall(const BrowserHostPtr& host, const std::shared_ptr<K>& reference, F boundCall) {
    post(*host, std::make_shared<FunctorCallImpl<F, K, void>>(reference, std::move(boundCall)));
}

template <typename F>
void CrossThreadCall::postCall(const BrowserHostPtr& host, F boundCall) {
    post(*host, std::make_shared<FunctorCallImpl<F, bool, void>>(std::move(boundCall)));
}

// The host's front ends hold its call lock shared for the whole call, waiting included.
template <typename F>
std::invoke_result_t<F&> BrowserHost::runOnMainThread(F boundCall) {
    boost::shared_lock<boost::upgrade_mutex> guard(m_callLock);
    return CrossThreadCall::syncCall(shared_from_this(), std::move(boundCall));
}

template <typename K, typename F>
void BrowserHost::queueOnMainThread(const std::shared_ptr<K>& reference, F boundCall) {
    boost::shared_lock<boost::upgrade_mutex> guard(m_callLock);
    CrossThreadCall::postCall(shared_from_this(), reference, std::move(boundCall));
}

template <typename F>
void BrowserHost::queueOnMainThread(F boundCall) {
    boost::shared_lock<boost::upgrade_mutex> guard(m_callLock);
    CrossThreadCall::postCall(shared_from_this(), std::move(boundCall));
}

}  // namespace FB
