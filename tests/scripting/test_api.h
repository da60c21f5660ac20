// A table-driven scriptable object with the kinds of members a camera scripting object registers.
#pragma once

#include <string>
#include <vector>

#include "scripting/jsapi_auto.h"
#include "scripting/method_wrappers.h"

namespace FB::testing {

class TestApi : public JSAPIAuto {
public:
    static constexpr int kSecretScope = 5;

    TestApi() : JSAPIAuto("<JSAPI-Auto Javascript Object>") {
        addMethod("Add", make_method(this, &TestApi::Add));
        addMethod("Twice", make_method(this, &TestApi::Twice));
        addMethod("SetTargetSize", make_method(this, &TestApi::SetTargetSize));
        addMethod("Touch", make_method(this, &TestApi::Touch));
        addMethod("Fail", make_method(this, &TestApi::Fail));
        addProperty("Version", make_getter(this, &TestApi::Version));
        addProperty("Level", make_property(this, &TestApi::getLevel, &TestApi::setLevel));
        addProperty("Sink", PropertyFunctors({}, [this](const variant& v) { level = v.convertTo<int>(); }));
        pushScope(kSecretScope);
        addMethod("Secret", make_method(this, &TestApi::Secret));
        popScope();
    }

    int Add(int a, const int& b) {
        ++calls;
        return a + b;
    }
    std::string Twice(const std::string& text) {
        ++calls;
        return text + text;
    }
    void SetTargetSize(float a, float b, int c, int d) {
        ++calls;
        sizeArgs = {a, b, float(c), float(d)};
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
