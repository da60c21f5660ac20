// Pops a scope pushed on an object when the guarded call ends, normally or by an error, so the
// object's scope stack and scope lock are always restored.
#pragma once

#include "scripting/jsapi.h"

namespace FB {

class ScopeGuard {
public:
    // Pushes `scope` on `target`; the guard owns the matching pop.
    ScopeGuard(const JSAPIPtr& target, int scope) : target_(target) { target_->pushScope(scope); }
    ~ScopeGuard() { target_->popScope(); }

    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

private:
    JSAPIPtr target_;
};

}  // namespace FB
