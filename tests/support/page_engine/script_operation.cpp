#include "tests/support/page_engine/script_operation.h"

#include "tests/support/page_engine/browser_text.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace test_support {

namespace {

struct OperationCall {
    ScriptOperation operation;
    duk_idx_t valueCount;
};

// duk_safe_call runs its function on the caller's stack, the arguments on top: found from the top.
duk_ret_t runOnStack(duk_context* context, void* data) {
    const auto& call = *static_cast<const OperationCall*>(data);
    const duk_idx_t object = duk_get_top(context) - call.valueCount - 3;
    const duk_idx_t key = object + 1;
    const duk_idx_t self = object + 2;
    const duk_idx_t first = object + 3;
    auto pushCallee = [&](bool member) {
        if (!member) {
            duk_dup(context, object);
            return;
        }
        duk_dup(context, key);
        duk_get_prop(context, object);
    };
    auto pushValues = [&] {
        for (duk_idx_t i = 0; i < call.valueCount; ++i) duk_dup(context, first + i);
    };
    switch (call.operation) {
        case ScriptOperation::Has:
            duk_dup(context, key);
            duk_push_boolean(context, duk_has_prop(context, object));
            break;
        case ScriptOperation::HasMethod:
            pushCallee(true);
            duk_push_boolean(context, duk_is_callable(context, -1));
            break;
        case ScriptOperation::Get:
            pushCallee(true);
            break;
        case ScriptOperation::Set:
            duk_dup(context, key);
            duk_dup(context, first);
            duk_put_prop(context, object);
            duk_push_true(context);
            break;
        case ScriptOperation::Delete:
            duk_dup(context, key);
            duk_push_boolean(context, duk_del_prop(context, object));
            break;
        case ScriptOperation::Call:
        case ScriptOperation::CallMember:
            pushCallee(call.operation == ScriptOperation::CallMember);
            duk_dup(context, self);
            pushValues();
            duk_call_method(context, call.valueCount);
            break;
        case ScriptOperation::Construct:
        case ScriptOperation::ConstructMember:
            pushCallee(call.operation == ScriptOperation::ConstructMember);
            pushValues();
            duk_new(context, call.valueCount);
            break;
        case ScriptOperation::OwnKeys: {
            duk_push_array(context);
            duk_enum(context, object, DUK_ENUM_OWN_PROPERTIES_ONLY);
            duk_uarridx_t count = 0;
            while (duk_next(context, -1, 0)) duk_put_prop_index(context, -3, count++);
            duk_pop(context);
            break;
        }
    }
    return 1;
}

}  // namespace

bool runScriptOperation(duk_context* context, ScriptOperation operation, duk_idx_t valueCount) {
    OperationCall call{operation, valueCount};
    return duk_safe_call(context, runOnStack, &call, valueCount + 3, 1) == DUK_EXEC_SUCCESS;
}

bool isInt32Number(double number) {
    return std::nearbyint(number) == number && !(number == 0 && std::signbit(number)) &&
           number >= std::numeric_limits<int32_t>::min() && number <= std::numeric_limits<int32_t>::max();
}

std::string scriptText(duk_context* context, duk_idx_t index, bool asKey) {
    duk_size_t length = 0;
    const char* text = asKey ? duk_safe_to_lstring(context, index, &length) : duk_get_lstring(context, index, &length);
    return utf8FromScript(text ? text : "", length);
}

}  // namespace test_support
