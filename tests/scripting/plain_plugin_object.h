// A plug-in object with no members: enough to be referenced by script values.
#pragma once

#include "scripting/jsapi.h"

namespace FB::testing {

class PlainPluginObject : public FB::JSAPI {
public:
    void invalidate() override {}
    void listMemberNames(std::vector<std::string>&) override {}
    std::size_t countMembers() override { return 0; }
    bool HasMethod(const std::string&) override { return false; }
    bool HasProperty(int) override { return false; }
    bool HasProperty(const std::string&) override { return false; }
    FB::variant GetProperty(int) override { return {}; }
    FB::variant GetProperty(const std::string&) override { return {}; }
    void SetProperty(int, const FB::variant&) override {}
    void SetProperty(const std::string&, const FB::variant&) override {}
    void RemoveProperty(int) override {}
    void RemoveProperty(const std::string&) override {}
    FB::variant Invoke(const std::string&, const FB::VariantList&) override { return {}; }
    FB::variant Construct(const FB::VariantList&) override { return {}; }
};

}  // namespace FB::testing
