// A table-driven scriptable object with the kinds of members a camera scripting object registers.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "scripting/jsapi_auto.h"
#include "scripting/method_wrappers.h"

namespace FB::testing {

// The text of the error of the given kind that the call raises.
template <class Error, class Call>
std::string errorText(Call&& call) {
    try {
        call();
    } catch (const Error& error) {
        return error.what();
    }
    return "<nothing raised>";
}

class TestApi : public JSAPIAuto {
public:
    static constexpr int kSecretScope = 5;

    TestApi() : JSAPIAuto("<JSAPI-Auto Javascript Object>") {
        addMethod("Add", make_method(this, &TestApi::Add));
        addMethod("Twice", make_method(this, &TestApi::Twice));
        addMethod("SetTargetSize", make_method(this, &TestApi::SetTargetSize));
        addMethod("Touch", make_method(this, &TestApi::Touch));
        addMethod("Fail", make_method(this, &TestApi::Fail));
        addMethod("describe", make_method(this, &JSAPIAuto::ToString));  // a base-class member
        addProperty("Version", make_property(this, &TestApi::Version));
        addProperty("Level", make_property(this, &TestApi::getLevel, &TestApi::setLevel));
        addProperty("Sink", PropertyFunctors(GetPropFunctor(), [this](const variant& v) {
                        level = v.convertTo<int>();
                    }));
        pushScope(kSecretScope);
        addMethod("Secret", make_method(this, &TestApi::Secret));
        popScope();
    }

    int Add(int a, const int& b) { ++calls; return a + b; }
    std::string Twice(const std::string& text) { ++calls; return text + text; }
    void SetTargetSize(float a, float b, int c, int d) {
        ++calls;
        sizeArgs = {a, b, static_cast<float>(c), static_cast<float>(d)};
    }
    void Touch() { ++calls; }
    void Fail() { throw script_error("camera refused"); }
    std::string Version() { return "1.0.0.1"; }
    int getLevel() { return level; }
    void setLevel(int value) { level = value; }
    int Secret() { return 42; }

    void forbidDynamicAttributes() { allowDynamicAttributes = false; }

    int calls = 0;
    int level = 0;
    std::vector<float> sizeArgs;
};

}  // namespace FB::testing
