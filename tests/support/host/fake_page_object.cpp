#include "tests/support/host/fake_page_object.h"

#include "host/browser_host.h"
#include "scripting/script_error.h"

namespace testsupport {

FakePageObject::FakePageObject(const FB::BrowserHostPtr& host, PageFunctionBody body)
    : JSObject(host), body(std::move(body)), m_ownerThread(std::this_thread::get_id()) {}

void FakePageObject::noteThread() {
    if (std::this_thread::get_id() != m_ownerThread) ++offThreadUses;
}

void FakePageObject::listMemberNames(std::vector<std::string>& names) {
    noteThread();
    names.clear();
    for (const auto& entry : properties) names.push_back(entry.first);
    for (const auto& entry : methods) names.push_back(entry.first);
}

std::size_t FakePageObject::countMembers() {
    noteThread();
    return properties.size() + methods.size();
}

bool FakePageObject::HasMethod(const std::string& name) {
    noteThread();
    return methods.count(name) != 0;
}

bool FakePageObject::HasProperty(int index) { return HasProperty(std::to_string(index)); }

bool FakePageObject::HasProperty(const std::string& name) {
    noteThread();
    return properties.count(name) != 0;
}

FB::variant FakePageObject::GetProperty(int index) { return GetProperty(std::to_string(index)); }

FB::variant FakePageObject::GetProperty(const std::string& name) {
    noteThread();
    if (failingProperties.count(name)) throw FB::script_error(name);
    auto found = properties.find(name);
    return found == properties.end() ? FB::variant() : found->second;
}

void FakePageObject::SetProperty(int index, const FB::variant& value) {
    SetProperty(std::to_string(index), value);
}

void FakePageObject::SetProperty(const std::string& name, const FB::variant& value) {
    noteThread();
    properties[name] = value;
}

void FakePageObject::RemoveProperty(int index) { RemoveProperty(std::to_string(index)); }

void FakePageObject::RemoveProperty(const std::string& name) {
    noteThread();
    properties.erase(name);
}

FB::variant FakePageObject::Invoke(const std::string& name, const FB::VariantList& args) {
    noteThread();
    if (name.empty()) {
        if (!body) throw FB::script_error("not a function");
        return body(args);
    }
    auto method = methods.find(name);
    if (method != methods.end()) return method->second(args);
    auto property = properties.find(name);
    if (property != properties.end() && property->second.canConvertTo<FB::JSObjectPtr>()) {
        FB::JSObjectPtr function = property->second.convertTo<FB::JSObjectPtr>();
        if (function) return function->Invoke("", args);
    }
    throw FB::script_error(name);
}

FB::variant FakePageObject::Construct(const FB::VariantList&) {
    noteThread();
    throw FB::script_error("constructor");
}

void* FakePageObject::getHostContext() {
    FB::BrowserHostPtr host = host_.lock();
    return host ? host->getBrowserContext() : nullptr;
}

}  // namespace testsupport
