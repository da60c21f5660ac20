// A page object for tests: it belongs to a given browser context, answers the properties the test
// sets, may wrap a plug-in object, and records every handler call and deferred call it receives
// instead of reaching a browser.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
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
    std::vector<JSObjectPtr> handlers, sinks;
};

class PageObject : public JSObject {
public:
    explicit PageObject(void* context = nullptr, bool isBrowser = true)
        : JSObject(nullptr), browserObject(isBrowser), context_(context) {}

    static std::shared_ptr<PageObject> make(void* context = nullptr, bool browserObject = true) {
        return std::make_shared<PageObject>(context, browserObject);
    }
    static std::shared_ptr<PageObject> array(const VariantList& elements) {
        auto page = make();
        page->named["length"] = static_cast<int>(elements.size());
        for (std::size_t i = 0; i < elements.size(); ++i) page->indexed[static_cast<int>(i)] = elements[i];
        return page;
    }

    bool browserObject;
    bool hostGone = false;        // invalid, and deferred calls fail as they do then
    bool failDeliveries = false;  // the host goes between the validity check and the call
    std::map<std::string, variant> named;
    std::map<int, variant> indexed;
    std::vector<std::string> memberOrder;
    std::optional<int> failingIndex;         // reading this index raises invalid_member
    std::optional<std::string> failingName;  // and so does reading this member
    JSAPIPtr wrapped;                        // the plug-in object this page object wraps

    // Hands over the calls received since the last look, as a browser drains its queue.
    std::vector<RecordedCall> takeCalls() {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::exchange(calls_, {});
    }

    void* getNativeObject() override { return this; }
    void* getHostContext() override { return context_; }
    bool isBrowserObject() override { return browserObject; }
    bool isValid() override { return !hostGone; }
    void callHandlers(const std::string& name, const VariantList& args, const std::vector<JSObjectPtr>& handlers,
                      const std::vector<JSObjectPtr>& sinks) override {
        record({"callHandlers", name, args, handlers, sinks});
    }
    void invokeLater(const std::string& name, const VariantList& args) override {
        if (hostGone || failDeliveries) throw std::runtime_error("Cannot invoke asynchronously");
        record({"invokeLater", name, args, {}, {}});
    }
    JSAPIPtr scriptingObject() override { return wrapped; }

    using JSObject::GetProperty;
    using JSObject::HasMethod;
    using JSObject::HasProperty;
    using JSObject::Invoke;
    using JSObject::listMemberNames;
    using JSObject::RemoveProperty;
    using JSObject::SetProperty;

    variant GetProperty(int index) override {
        if (failingIndex == index) throw invalid_member(std::to_string(index));
        return indexed[index];
    }
    variant GetProperty(const std::string& name) override {
        if (failingName == name) throw invalid_member(name);
        return named[name];
    }
    void listMemberNames(std::vector<std::string>& names) override { names = memberOrder; }

    void invalidate() override {}
    std::size_t countMembers() override { return 0; }
    bool HasMethod(const std::string&) override { return false; }
    bool HasProperty(int) override { return false; }
    bool HasProperty(const std::string&) override { return false; }
    void SetProperty(int, const variant&) override {}
    void SetProperty(const std::string&, const variant&) override {}
    void RemoveProperty(int) override {}
    void RemoveProperty(const std::string&) override {}
    variant Invoke(const std::string&, const VariantList&) override { return {}; }
    variant Construct(const VariantList&) override { return {}; }

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
