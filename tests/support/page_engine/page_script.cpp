#include "tests/support/page_engine/page_script.h"

namespace test_support {

namespace {

// Hidden keys: a leading 0xFF byte makes a key no script can name. (Each name starts with a letter
// that is no hex digit, so that the escape ends where it should.)
constexpr const char* kPageKey = "\xFFpage";                // stash: the PageScript
constexpr const char* kHeldKey = "\xFFheldValues";          // stash: values kept for C++ owners
constexpr const char* kTimersKey = "\xFFtimers";            // stash: what each timer runs
constexpr const char* kElementIdKey = "\xFFpageElementId";  // an element's getter: the element's id

// Pushes the stash object stored under the key.
void pushStashObject(duk_context* context, const char* key) {
    duk_push_global_stash(context);
    duk_get_prop_string(context, -1, key);
    duk_remove(context, -2);
}

void putFunction(duk_context* context, duk_idx_t object, const char* name, duk_c_function function, duk_idx_t args) {
    duk_push_c_function(context, function, args);
    duk_put_prop_string(context, object < 0 ? object - 1 : object, name);
}

}  // namespace

PageScript::PageScript(std::string pageUrl) : heap_(createDuktapeHeap()), timers_([this](int id) { runTimer(id); }) {
    defineGlobals(pageUrl);
}

PageScript::~PageScript() = default;

PageScript& PageScript::of(duk_context* context) {
    duk_push_global_stash(context);
    duk_get_prop_string(context, -1, kPageKey);
    auto* page = static_cast<PageScript*>(duk_get_pointer(context, -1));
    duk_pop_2(context);
    return *page;
}

void PageScript::defineGlobals(const std::string& pageUrl) {
    duk_context* context = heap_.get();
    duk_push_global_stash(context);
    duk_push_pointer(context, this);
    duk_put_prop_string(context, -2, kPageKey);
    duk_push_object(context);
    duk_put_prop_string(context, -2, kHeldKey);
    duk_push_object(context);
    duk_put_prop_string(context, -2, kTimersKey);
    duk_pop(context);

    duk_push_global_object(context);
    duk_dup(context, -1);
    duk_put_prop_string(context, -2, "window");
    duk_dup(context, -1);
    duk_put_prop_string(context, -2, "self");

    duk_push_object(context);  // console
    for (const char* name : {"log", "info", "warn", "error", "debug"})
        putFunction(context, -1, name, consoleLog, DUK_VARARGS);
    duk_put_prop_string(context, -2, "console");
    putFunction(context, -1, "alert", alert, 1);
    putFunction(context, -1, "setTimeout", setTimeout, DUK_VARARGS);
    putFunction(context, -1, "clearTimeout", clearTimeout, 1);

    duk_push_object(context);  // location
    duk_push_string(context, pageUrl.c_str());
    duk_put_prop_string(context, -2, "href");
    duk_dup(context, -1);
    duk_put_prop_string(context, -3, "location");

    duk_push_object(context);  // document
    duk_swap_top(context, -2);
    duk_put_prop_string(context, -2, "location");
    putFunction(context, -1, "getElementById", getElementById, 1);
    duk_put_prop_string(context, -2, "document");
    duk_pop(context);
}

ScriptResult PageScript::evaluate(std::string_view text, const char* fileName) {
    ScriptResult result;
    result.ok = evaluateOnStack(text, fileName);
    result.text = textOf(context(), -1);
    duk_pop(context());
    return result;
}

bool PageScript::evaluateOnStack(std::string_view text, const char* fileName) {
    duk_context* context = heap_.get();
    duk_push_string(context, fileName);
    if (duk_pcompile_lstring_filename(context, DUK_COMPILE_EVAL, text.data(), text.size()) != 0) return false;
    return duk_pcall(context, 0) == DUK_EXEC_SUCCESS;
}

std::string PageScript::textOf(duk_context* context, duk_idx_t index) {
    duk_dup(context, index);
    std::string text = duk_safe_to_string(context, -1);
    duk_pop(context);
    return text;
}

void PageScript::defineElement(const std::string& id, ElementSource source) {
    elements_[id] = std::move(source);
    duk_context* context = heap_.get();
    duk_push_global_object(context);
    duk_push_string(context, id.c_str());
    duk_push_c_function(context, elementGetter, 0);
    duk_push_string(context, id.c_str());
    duk_put_prop_string(context, -2, kElementIdKey);
    duk_def_prop(context, -3, DUK_DEFPROP_HAVE_GETTER | DUK_DEFPROP_SET_CONFIGURABLE | DUK_DEFPROP_SET_ENUMERABLE);
    duk_pop(context);
}

void PageScript::pushElement(duk_context* context, const char* id) const {
    const duk_idx_t top = duk_get_top(context);
    try {
        const auto found = elements_.find(id);
        if (found != elements_.end()) {
            found->second(context);
            return;
        }
    } catch (...) {
        duk_set_top(context, top);
    }
    duk_push_null(context);
}

int PageScript::holdValue(duk_idx_t index) {
    duk_context* context = heap_.get();
    index = duk_normalize_index(context, index);
    const int key = nextHeldKey_++;
    pushStashObject(context, kHeldKey);
    duk_dup(context, index);
    duk_put_prop_index(context, -2, static_cast<duk_uarridx_t>(key));
    duk_pop(context);
    return key;
}

void PageScript::pushHeldValue(int key) {
    duk_context* context = heap_.get();
    pushStashObject(context, kHeldKey);
    duk_get_prop_index(context, -1, static_cast<duk_uarridx_t>(key));
    duk_remove(context, -2);
}

void PageScript::dropHeldValue(int key) {
    duk_context* context = heap_.get();
    pushStashObject(context, kHeldKey);
    duk_del_prop_index(context, -1, static_cast<duk_uarridx_t>(key));
    duk_pop(context);
}

// A due timer's entry is [function or script text, arguments...]; it is forgotten before it runs.
void PageScript::runTimer(int id) {
    duk_context* context = heap_.get();
    const duk_idx_t top = duk_get_top(context);
    pushStashObject(context, kTimersKey);
    duk_get_prop_index(context, -1, static_cast<duk_uarridx_t>(id));
    duk_del_prop_index(context, -2, static_cast<duk_uarridx_t>(id));
    const duk_idx_t entry = duk_get_top_index(context);
    if (!duk_is_array(context, entry)) {
        duk_set_top(context, top);
        return;
    }
    duk_get_prop_index(context, entry, 0);
    bool ok = true;
    if (duk_is_function(context, -1)) {
        duk_push_undefined(context);
        const duk_idx_t count = static_cast<duk_idx_t>(duk_get_length(context, entry)) - 1;
        for (duk_idx_t i = 1; i <= count; ++i) duk_get_prop_index(context, entry, static_cast<duk_uarridx_t>(i));
        ok = duk_pcall_method(context, count) == DUK_EXEC_SUCCESS;
    } else {
        duk_size_t length = 0;
        const char* text = duk_get_lstring(context, -1, &length);
        ok = evaluateOnStack(std::string_view(text ? text : "", text ? length : 0), "setTimeout");
    }
    if (!ok) writeConsole("Uncaught " + textOf(context, -1));
    duk_set_top(context, top);
}

// The native functions below let no C++ exception reach Duktape (it would unwind through C frames).
duk_ret_t PageScript::consoleLog(duk_context* context) {
    try {
        std::string line;
        const duk_idx_t count = duk_get_top(context);
        for (duk_idx_t i = 0; i < count; ++i) {
            if (i > 0) line += ' ';
            line += textOf(context, i);
        }
        of(context).writeConsole(std::move(line));
    } catch (...) {}
    return 0;
}

duk_ret_t PageScript::alert(duk_context* context) {
    try {
        of(context).writeConsole("alert: " + textOf(context, 0));
    } catch (...) {}
    return 0;
}

duk_ret_t PageScript::setTimeout(duk_context* context) {
    const duk_idx_t count = duk_get_top(context);
    if (!duk_is_function(context, 0) && !duk_is_string(context, 0))
        return duk_type_error(context, "setTimeout needs a function or script text");
    const duk_int_t delay = count > 1 ? duk_to_int(context, 1) : 0;
    duk_push_array(context);
    duk_dup(context, 0);
    duk_put_prop_index(context, -2, 0);
    for (duk_idx_t i = 2; i < count; ++i) {
        duk_dup(context, i);
        duk_put_prop_index(context, -2, static_cast<duk_uarridx_t>(i - 1));
    }
    int id = 0;
    try {
        id = of(context).timers_.add(std::chrono::milliseconds(delay));
    } catch (...) {}
    if (id == 0) return duk_generic_error(context, "setTimeout: no timer could be set");
    pushStashObject(context, kTimersKey);
    duk_dup(context, -2);
    duk_put_prop_index(context, -2, static_cast<duk_uarridx_t>(id));
    duk_push_int(context, id);
    return 1;
}

duk_ret_t PageScript::clearTimeout(duk_context* context) {
    const duk_int_t id = duk_to_int(context, 0);
    if (id > 0 && of(context).timers_.cancel(id)) {
        pushStashObject(context, kTimersKey);
        duk_del_prop_index(context, -1, static_cast<duk_uarridx_t>(id));
    }
    return 0;
}

duk_ret_t PageScript::getElementById(duk_context* context) {
    const char* id = duk_safe_to_string(context, 0);
    of(context).pushElement(context, id);
    return 1;
}

duk_ret_t PageScript::elementGetter(duk_context* context) {
    duk_push_current_function(context);
    duk_get_prop_string(context, -1, kElementIdKey);
    const char* id = duk_get_string(context, -1);
    of(context).pushElement(context, id ? id : "");
    return 1;
}

}  // namespace test_support
