// Value conversion and the page-object class. The proxies over plug-in objects are in
// plugin_object_proxy.cpp.
#include "tests/support/npapi_browser/script_bridge.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace test_support {

namespace {

// The largest argument list handed on to script in one call.
constexpr uint32_t kMostArguments = 10000;

// Canonical array indexes ("0", "17", never "017") are integer identifiers, as browsers make them.
bool isIndexText(const char* text, size_t length, int32_t& index) {
    if (length == 0 || length > 10 || (length > 1 && text[0] == '0')) return false;
    int64_t value = 0;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    if (value > std::numeric_limits<int32_t>::max()) return false;
    index = static_cast<int32_t>(value);
    return true;
}

}  // namespace

// The plug-in reaches page objects through NPN_Invoke, NPN_InvokeDefault and NPN_GetProperty only.
NPClass ScriptBridge::pageObjectClass = {
    NP_CLASS_STRUCT_VERSION, allocatePageObject, deallocatePageObject, nullptr, nullptr, pageInvoke,
    pageInvokeDefault,       nullptr,            pageGetProperty,      nullptr, nullptr, nullptr,
    nullptr,
};

ScriptBridge::ScriptBridge(PageScript& page, BrowserObjects& objects, BrowserIdentifiers& identifiers,
                           BrowserFaults& faults)
    : page_(&page),
      objects_(objects),
      identifiers_(identifiers),
      faults_(faults),
      proxies_([this](NPObject* object) { objects_.release(object, "a dropped proxy"); },
               "The plug-in object is no longer available") {
    stashBridge(page.context(), this);
}

ScriptBridge::~ScriptBridge() {
    detachPage();
    for (PageObject* object : pageObjects_.all()) object->bridge = nullptr;
}

void ScriptBridge::detachPage() {
    if (!page_) return;
    disconnectProxies();
    for (PageObject* object : pageObjects_.all()) object->heldKey = 0;
    page_ = nullptr;
}


NPObject* ScriptBridge::pageObjectFor(duk_idx_t index) {
    if (!page_) return nullptr;
    duk_context* context = page_->context();
    index = duk_normalize_index(context, index);
    PageObject* known = pageObjects_.find(context, index);
    if (known && objects_.retain(known, "a page object")) return known;

    auto* object = static_cast<PageObject*>(objects_.create(nullptr, &pageObjectClass));
    if (!object) return nullptr;
    object->bridge = this;
    object->heldKey = page_->holdValue(index);
    pageObjects_.add(context, index, object);
    return object;
}

void ScriptBridge::forgetPageObject(PageObject* object) {
    if (!page_ || !object->heldKey) {
        pageObjects_.remove(nullptr, object);
        return;
    }
    page_->pushHeldValue(object->heldKey);
    pageObjects_.remove(page_->context(), object);
    duk_pop(page_->context());
    page_->dropHeldValue(object->heldKey);
}

void ScriptBridge::toVariant(duk_idx_t index, NPVariant& variant) {
    VOID_TO_NPVARIANT(variant);
    if (!page_) return;
    duk_context* context = page_->context();
    switch (duk_get_type(context, index)) {
        case DUK_TYPE_NULL:
            NULL_TO_NPVARIANT(variant);
            break;
        case DUK_TYPE_BOOLEAN:
            BOOLEAN_TO_NPVARIANT(duk_get_boolean(context, index), variant);
            break;
        case DUK_TYPE_NUMBER: {
            const double number = duk_get_number(context, index);
            if (isInt32Number(number))
                INT32_TO_NPVARIANT(static_cast<int32_t>(number), variant);
            else
                DOUBLE_TO_NPVARIANT(number, variant);
            break;
        }
        case DUK_TYPE_STRING: {
            const std::string utf8 = scriptText(context, index);
            auto* copy = static_cast<char*>(std::malloc(utf8.size() + 1));
            if (!copy) break;
            std::memcpy(copy, utf8.c_str(), utf8.size() + 1);
            STRINGN_TO_NPVARIANT(copy, static_cast<uint32_t>(utf8.size()), variant);
            break;
        }
        case DUK_TYPE_OBJECT:
        case DUK_TYPE_LIGHTFUNC: {
            NPObject* object = nullptr;
            if (Proxies::Record* record = proxies_.proxyAt(context, index)) {
                if (record->object && objects_.retain(record->object, "a plug-in object passed back"))
                    object = record->object;
            } else {
                object = pageObjectFor(index);
            }
            if (object)
                OBJECT_TO_NPVARIANT(object, variant);
            else
                NULL_TO_NPVARIANT(variant);
            break;
        }
        default:  // undefined, buffers and pointers
            break;
    }
}

void ScriptBridge::pushVariant(const NPVariant& variant) {
    duk_context* context = page_->context();
    switch (variant.type) {
        case NPVariantType_Void:
            duk_push_undefined(context);
            break;
        case NPVariantType_Null:
            duk_push_null(context);
            break;
        case NPVariantType_Bool:
            duk_push_boolean(context, variant.value.boolValue);
            break;
        case NPVariantType_Int32:
            duk_push_int(context, variant.value.intValue);
            break;
        case NPVariantType_Double:
            duk_push_number(context, variant.value.doubleValue);
            break;
        case NPVariantType_String: {
            const NPString& text = variant.value.stringValue;
            if (!text.UTF8Characters && text.UTF8Length > 0) {
                faults_.record("an NPString with a length and no characters");
                duk_push_string(context, "");
            } else {
                duk_push_lstring(context, text.UTF8Characters ? text.UTF8Characters : "", text.UTF8Length);
            }
            break;
        }
        case NPVariantType_Object: {
            NPObject* object = variant.value.objectValue;
            if (!object) {
                duk_push_null(context);
            } else if (!objects_.isLive(object)) {
                faults_.record("an object that is not live handed to the browser");
                duk_push_undefined(context);
            } else if (object->_class == &pageObjectClass) {
                auto* pageObject = static_cast<PageObject*>(object);
                if (pageObject->heldKey)
                    page_->pushHeldValue(pageObject->heldKey);
                else
                    duk_push_undefined(context);
            } else {
                pushPluginObject(object);
            }
            break;
        }
        default:
            faults_.record("an NPVariant of unknown type " + std::to_string(static_cast<int>(variant.type)));
            duk_push_undefined(context);
            break;
    }
}

void ScriptBridge::releaseVariant(NPVariant& variant) { releaseVariantValue(variant, objects_); }

NPIdentifier ScriptBridge::identifierForKey(duk_context* context, duk_idx_t key) {
    int32_t index = 0;
    if (duk_is_number(context, key)) {
        const double number = duk_get_number(context, key);
        if (number >= 0 && number <= std::numeric_limits<int32_t>::max() && std::nearbyint(number) == number)
            return identifiers_.forNumber(static_cast<int32_t>(number));
    }
    const std::string text = scriptText(context, key, true);
    if (isIndexText(text.data(), text.size(), index)) return identifiers_.forNumber(index);
    return identifiers_.forName(text);
}

bool ScriptBridge::pushIdentifierKey(NPIdentifier identifier) {
    const IdentifierRecord* record = identifiers_.find(identifier);
    if (!record) {
        faults_.record("an identifier the browser never made");
        return false;
    }
    if (record->isString)
        duk_push_lstring(page_->context(), record->name.data(), record->name.size());
    else
        duk_push_int(page_->context(), record->number);
    return true;
}

std::string ScriptBridge::textOfIdentifier(NPIdentifier identifier) {
    const IdentifierRecord* record = identifiers_.find(identifier);
    if (!record) return {};
    return record->isString ? record->name : std::to_string(record->number);
}

bool ScriptBridge::runPageOperation(NPObject* object, ScriptOperation operation, NPIdentifier name,
                                    const NPVariant* arguments, uint32_t count, NPVariant* result) {
    auto* pageObject = static_cast<PageObject*>(object);
    if (!page_ || !pageObject->heldKey || count > kMostArguments || (count > 0 && !arguments)) return false;
    duk_context* context = page_->context();
    if (!duk_check_stack(context, static_cast<duk_idx_t>(count) + 8)) return false;
    const duk_idx_t top = duk_get_top(context);
    page_->pushHeldValue(pageObject->heldKey);
    if (!name) {
        duk_push_undefined(context);
    } else if (!pushIdentifierKey(name)) {
        duk_set_top(context, top);
        return false;
    }
    if (operation == ScriptOperation::CallMember)
        duk_dup(context, top);
    else
        duk_push_undefined(context);
    for (uint32_t i = 0; i < count; ++i) pushVariant(arguments[i]);
    const bool ok = runScriptOperation(context, operation, static_cast<duk_idx_t>(count));
    if (!ok)
        page_->writeConsole("Uncaught " + PageScript::textOf(context, -1));
    else if (result)
        toVariant(-1, *result);
    duk_set_top(context, top);
    return ok;
}

NPObject* ScriptBridge::allocatePageObject(NPP, NPClass*) { return new (std::nothrow) PageObject(); }

void ScriptBridge::deallocatePageObject(NPObject* object) {
    auto* pageObject = static_cast<PageObject*>(object);
    if (pageObject->bridge) pageObject->bridge->forgetPageObject(pageObject);
    delete pageObject;
}

// The class callbacks let no C++ exception out towards the plug-in.
template <typename Operation>
bool ScriptBridge::onPageObject(NPObject* object, Operation operation) {
    auto* pageObject = static_cast<PageObject*>(object);
    if (!pageObject || !pageObject->bridge) return false;
    try {
        return operation(*pageObject->bridge);
    } catch (...) {
        return false;
    }
}

bool ScriptBridge::pageInvoke(NPObject* object, NPIdentifier name, const NPVariant* arguments, uint32_t count,
                              NPVariant* result) {
    return onPageObject(object, [&](ScriptBridge& bridge) {
        return bridge.runPageOperation(object, ScriptOperation::CallMember, name, arguments, count, result);
    });
}
bool ScriptBridge::pageInvokeDefault(NPObject* object, const NPVariant* arguments, uint32_t count, NPVariant* result) {
    return onPageObject(object, [&](ScriptBridge& bridge) {
        return bridge.runPageOperation(object, ScriptOperation::Call, nullptr, arguments, count, result);
    });
}
bool ScriptBridge::pageGetProperty(NPObject* object, NPIdentifier name, NPVariant* result) {
    return onPageObject(object, [&](ScriptBridge& bridge) {
        return bridge.runPageOperation(object, ScriptOperation::Get, name, nullptr, 0, result);
    });
}

}  // namespace test_support
