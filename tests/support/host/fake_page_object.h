// A page object of the stand-in page used by the host tests: named properties, named methods and,
// for a page function, a body run when the object itself is called. It counts every use that does
// not arrive on the thread that made it (the browser's main thread).
#pragma once

#include "host/browser_host.h"
#include "scripting/js_object.h"
#include "scripting/script_error.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace test_support {

using PageFunctionBody = std::function<FB::variant(const FB::VariantList&)>;

class FakePageObject : public FB::JSObject {
public:
    explicit FakePageObject(const FB::BrowserHostPtr& host, PageFunctionBody function = {})
        : JSObject(host), body(std::move(function)), m_host(host) {}

    std::map<std::string, FB::variant> properties;
    std::map<std::string, PageFunctionBody> methods;
    PageFunctionBody body;
    // Reading one of these raises the page's error.
    std::set<std::string> failingProperties;
    // Uses of the object from a thread other than the one that made it.
    std::atomic<int> offThreadUses{0};

    using JSObject::GetProperty;
    using JSObject::HasMethod;
    using JSObject::HasProperty;
    using JSObject::Invoke;
    using JSObject::listMemberNames;
    using JSObject::RemoveProperty;
    using JSObject::SetProperty;

    void invalidate() override {}
    void listMemberNames(std::vector<std::string>& names) override {
        names.clear();
        for (const auto& entry : properties) names.push_back(use(entry.first));
        for (const auto& entry : methods) names.push_back(entry.first);
    }
    std::size_t countMembers() override { return use(properties.size() + methods.size()); }
    bool HasMethod(const std::string& name) override { return use(methods.count(name) != 0); }
    bool HasProperty(int index) override { return HasProperty(std::to_string(index)); }
    bool HasProperty(const std::string& name) override { return use(properties.count(name) != 0); }
    FB::variant GetProperty(int index) override { return GetProperty(std::to_string(index)); }
    FB::variant GetProperty(const std::string& name) override {
        if (use(failingProperties.count(name))) throw FB::script_error(name);
        auto found = properties.find(name);
        return found == properties.end() ? FB::variant() : found->second;
    }
    void SetProperty(int index, const FB::variant& value) override { SetProperty(std::to_string(index), value); }
    void SetProperty(const std::string& name, const FB::variant& value) override { properties[use(name)] = value; }
    void RemoveProperty(int index) override { RemoveProperty(std::to_string(index)); }
    void RemoveProperty(const std::string& name) override { properties.erase(use(name)); }
    // The empty name calls the object itself; an unknown member is the page's TypeError.
    FB::variant Invoke(const std::string& name, const FB::VariantList& args) override {
        if (use(name).empty()) {
            if (!body) throw FB::script_error("not a function");
            return body(args);
        }
        if (auto method = methods.find(name); method != methods.end()) return method->second(args);
        auto property = properties.find(name);
        if (property != properties.end() && property->second.canConvertTo<FB::JSObjectPtr>()) {
            auto function = property->second.convertTo<FB::JSObjectPtr>();
            if (function) return function->Invoke("", args);
        }
        throw FB::script_error(name);
    }
    FB::variant Construct(const FB::VariantList&) override { throw FB::script_error(use(std::string("constructor"))); }

    void* getNativeObject() override { return this; }
    void* getHostContext() override {
        FB::BrowserHostPtr host = m_host.lock();
        return host ? host->getBrowserContext() : nullptr;
    }
    bool isBrowserObject() override { return true; }
    bool isValid() override { return !host_.expired(); }
    FB::JSAPIPtr scriptingObject() override { return {}; }

private:
    // Notes the calling thread and passes the value through.
    template <typename T>
    const T& use(const T& value) {
        if (std::this_thread::get_id() != m_ownerThread) ++offThreadUses;
        return value;
    }

    std::thread::id m_ownerThread = std::this_thread::get_id();
    // The page objects' view of the host has no browser context: that is the stand-in host's.
    std::weak_ptr<FB::BrowserHost> m_host;
};

using FakePageObjectPtr = std::shared_ptr<FakePageObject>;

}  // namespace test_support
