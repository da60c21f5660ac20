#include "tests/support/page_engine/element_script.h"

namespace test_support {

int defineElementObject(PageScript& page, const PluginElement& element, std::function<void()> push) {
    duk_context* context = page.context();
    duk_push_object(context);
    for (const PageAttribute& attribute : element.attributes) {
        duk_push_lstring(context, attribute.value.data(), attribute.value.size());
        duk_put_prop_lstring(context, -2, attribute.name.data(), attribute.name.size());
    }
    duk_push_string(context, "OBJECT");
    duk_put_prop_string(context, -2, "tagName");
    const int key = page.holdValue(-1);
    duk_pop(context);
    if (!element.id().empty()) page.defineElement(element.id(), [push = std::move(push)](duk_context*) { push(); });
    return key;
}

void runPageScripts(PageScript& page, const std::vector<std::string>& scripts, const std::function<void()>& settle) {
    for (const std::string& script : scripts) {
        const ScriptResult result = page.evaluate(script, "page script");
        if (!result.ok) page.writeConsole("Uncaught " + result.text);
        settle();
    }
}

}  // namespace test_support
