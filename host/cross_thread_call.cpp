#include "host/cross_thread_call.h"

#include "scripting/script_error.h"

#include <chrono>

namespace FB {

namespace {

using CallRef = std::weak_ptr<CrossThreadCall>;

std::shared_ptr<script_error> errorOf(const variant& result) {
    if (result.isEmpty()) return {};
    return result.cast<std::shared_ptr<script_error>>();
}

}  // namespace

void CrossThreadCall::postAndWait(const std::shared_ptr<CrossThreadCall>& call, BrowserHost& host) {
    auto* userData = new CallRef(call);
    std::unique_lock<std::mutex> guard(call->m_mutex);
    // Holding the mutex across the post keeps the callback from publishing before we wait.
    if (host.isShutDown() || !host.postToMainThread(&CrossThreadCall::syncCallCallback, userData)) {
        delete userData;
        throw script_error("Could not marshal to main thread");
    }
    bool sawShutdown = false;
    while (!call->m_returned) {
        if (host.isShutDown() && !call->m_started) {
            // The shutdown runs every pending call at once: give this one a slice to start, then
            // leave without it.
            if (sawShutdown) {
                call->m_abandoned = true;
                break;
            }
            sawShutdown = true;
        }
        call->m_condition.wait_for(guard, std::chrono::milliseconds(10));
    }
    if (host.isShutDown()) throw script_error("Shutting down");
    std::shared_ptr<script_error> error = errorOf(call->m_result);
    guard.unlock();
    if (error) throw script_error(error->what());
}

void CrossThreadCall::syncCallCallback(void* userData) {
    std::unique_ptr<CallRef> reference(static_cast<CallRef*>(userData));
    std::shared_ptr<CrossThreadCall> call = reference->lock();
    if (!call) return;  // the caller has already left
    {
        std::lock_guard<std::mutex> guard(call->m_mutex);
        if (call->m_abandoned) return;
        call->m_started = true;
    }
    std::shared_ptr<script_error> error;
    try {
        call->m_functor->call();
    } catch (const script_error& e) {
        error = std::make_shared<script_error>(e.what());
    } catch (const std::exception& e) {
        // Never let a failure escape into the delivery of posted calls; the waiting caller
        // still has to be released.
        error = std::make_shared<script_error>(e.what());
    } catch (...) {
        error = std::make_shared<script_error>("Unknown error on the main thread");
    }
    {
        std::lock_guard<std::mutex> guard(call->m_mutex);
        if (error) call->m_result = variant(error);
        call->m_returned = true;
    }
    call->m_condition.notify_one();
}

void CrossThreadCall::post(BrowserHost& host, std::shared_ptr<FunctorCall> functor) {
    auto* call = new CrossThreadCall(std::move(functor));
    if (!host.postToMainThread(&CrossThreadCall::postCallCallback, call)) delete call;
}

void CrossThreadCall::postCallCallback(void* userData) {
    std::unique_ptr<CrossThreadCall> call(static_cast<CrossThreadCall*>(userData));
    try {
        call->m_functor->call();
    } catch (...) {
        // Fire-and-forget: the poster has gone on and learns nothing of a failure.
    }
}

}  // namespace FB
