// A page object of the stand-in page used by the host tests: named properties, named methods and,
// for a page function, a body run when the object itself is called. It counts every use that does
// not arrive on the thread that made it (the browser's main thread).
#pragma once

#include "scripting/js_object.h"

#include <atomic>
#include <functional>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

using PageFunctionBody = std::function<FB::variant(const FB::VariantList&)>;

class FakePageObject : public FB::JSObject {
public:
    explicit FakePageObject(const FB::BrowserHostPtr& host, PageFunctionBody body = {});

    std::map<std::string, FB::variant> properties;
    std::map<std::string, PageFunctionBody> methods;
    PageFunctionBody body;
    // Reading one of these raises the page's error.
    std::set<std::string> failingProperties;
    // Uses of the object from a thread other than the one that made it.
    std::atomic<int> offThreadUses{0};

    void invalidate() override {}
    void listMemberNames(std::vector<std::string>& names) override;
    std::size_t countMembers() override;
    bool HasMethod(const std::string& name) override;
    bool HasProperty(int index) override;
    bool HasProperty(const std::string& name) override;
    FB::variant GetProperty(int index) override;
    FB::variant GetProperty(const std::string& name) override;
    void SetProperty(int index, const FB::variant& value) override;
    void SetProperty(const std::string& name, const FB::variant& value) override;
    void RemoveProperty(int index) override;
    void RemoveProperty(const std::string& name) override;
    // The empty name calls the object itself; an unknown member is the page's TypeError.
    FB::variant Invoke(const std::string& name, const FB::VariantList& args) override;
    FB::variant Construct(const FB::VariantList& args) override;

    void* getNativeObject() override { return this; }
    void* getHostContext() override;
    bool isBrowserObject() override { return true; }
    bool isValid() override { return !host_.expired(); }
    FB::JSAPIPtr scriptingObject() override { return {}; }

private:
    void noteThread();

    std::thread::id m_ownerThread;
};

using FakePageObjectPtr = std::shared_ptr<FakePageObject>;

}  // namespace testsupport
