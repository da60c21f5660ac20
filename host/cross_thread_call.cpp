#include "host/cross_thread_call.h"

#include "host/posted_record.h"
#include "scripting/script_error.h"

#include <chrono>

namespace FB {

namespace {

std::shared_ptr<script_error> errorOf(const variant& result) {
    if (result.isEmpty()) return {};
    return result.cast<std::shared_ptr<script_error>>();
}

}  // namespace

void CrossThreadCall::postAndWait(const std::shared_ptr<CrossThreadCall>& call, BrowserHost& host) {
    std::unique_lock<std::mutex> guard(call->m_mutex);
    // Holding the mutex across the post keeps the callback from publishing before we wait. The
    // main thread gets a weak reference: a caller that has left is not kept alive by its message.
    if (host.isShutDown() || !postRecordToMainThread<&CrossThreadCall::syncCallCallback>(
                                 host, std::make_unique<std::weak_ptr<CrossThreadCall>>(call))) {
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

void CrossThreadCall::syncCallCallback(std::weak_ptr<CrossThreadCall>& waiting) {
    std::shared_ptr<CrossThreadCall> call = waiting.lock();
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
    std::unique_ptr<CrossThreadCall> call(new CrossThreadCall(std::move(functor)));
    postRecordToMainThread<&CrossThreadCall::postCallCallback>(host, std::move(call));
}

void CrossThreadCall::postCallCallback(CrossThreadCall& call) {
    try {
        call.m_functor->call();
    } catch (...) {
        // Fire-and-forget: the poster has gone on and learns nothing of a failure.
    }
}

}  // namespace FB
