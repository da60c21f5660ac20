// A page object for tests: it belongs to a given browser context, has a given native identity, and
// records every handler call and deferred call it receives instead of reaching a browser.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "scripting/js_object.h"

namespace FB::testing {

struct RecordedCall {
    std::string kind;  // "callHandlers" or "invokeLater"
    std::string name;
    VariantList args;
    std::vector<JSObjectPtr> handlers;
    std::vector<JSObjectPtr> sinks;
};

class RecordingPageObject : public JSObject {
public:
    RecordingPageObject(void* context, bool browserObject)
        : JSObject(BrowserHostPtr()), browserObject(browserObject), context_(context) {}

    static std::shared_ptr<RecordingPageObject> make(void* context, bool browserObject = true) {
        return std::make_shared<RecordingPageObject>(context, browserObject);
    }

    // Whether the object takes batched handler calls.
    bool browserObject;
    // A page object whose host has gone: invalid, and deferred calls fail as they do then.
    bool hostGone = false;
    // The host goes away between the validity check and the call: deferred calls fail.
    bool failDeliveries = false;
    // Runs inside callHandlers, as the browser side would on receiving the batch.
    std::function<void()> onCallHandlers;

    // Hands over the calls received since the last time, as a browser drains its queue; the
    // recorded arguments may refer back to the firing object, so they must not stay here.
    std::vector<RecordedCall> takeCalls() {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::exchange(calls_, {});
    }

    void* getNativeObject() override { return this; }
    void* getHostContext() override { return context_; }
    bool isBrowserObject() override { return browserObject; }
    bool isValid() override { return !hostGone; }

    void callHandlers(const std::string& eventName, const VariantList& args,
                      const std::vector<JSObjectPtr>& handlers,
                      const std::vector<JSObjectPtr>& sinks) override {
        record({"callHandlers", eventName, args, handlers, sinks});
        if (onCallHandlers) onCallHandlers();
    }

    void invokeLater(const std::string& methodName, const VariantList& args) override {
        if (hostGone || failDeliveries) throw std::runtime_error("Cannot invoke asynchronously");
        record({"invokeLater", methodName, args, {}, {}});
    }

    void InvokeDelayed(const VariantList& args, const std::string& methodName) override {
        invokeLater(methodName, args);
    }
    void setPropertyLater(const std::string&, const variant&) override {}
    JSAPIPtr scriptingObject() override { return JSAPIPtr(); }

    void invalidate() override {}
    void listMemberNames(std::vector<std::string>& names) override { names.clear(); }
    std::size_t countMembers() override { return 0; }
    bool HasMethod(const std::string&) override { return false; }
    bool HasProperty(int) override { return false; }
    bool HasProperty(const std::string&) override { return false; }
    variant GetProperty(int) override { return variant(); }
    variant GetProperty(const std::string&) override { return variant(); }
    void SetProperty(int, const variant&) override {}
    void SetProperty(const std::string&, const variant&) override {}
    void RemoveProperty(int) override {}
    void RemoveProperty(const std::string&) override {}
    variant Invoke(const std::string&, const VariantList&) override { return variant(); }
    variant Construct(const VariantList&) override { return variant(); }

private:
    void record(RecordedCall call) {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(std::move(call));
    }

    void* context_;
    std::mutex mutex_;
    std::vector<RecordedCall> calls_;
};

}  // namespace FB::testing
