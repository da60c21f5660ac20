// Value conversion, page objects and their script operations. The proxies over the control's
// objects are in control_object_proxy.cpp.
#include "tests/support/activex_container/com_bridge.h"

#include "activex/com_owners.h"
#include "scripting/utf8_tools.h"
#include "tests/support/page_engine/browser_text.h"

#include <algorithm>

namespace test_support {

namespace {

using FB::ActiveX::bstrText;

// The largest argument list handed on to script in one call.
constexpr UINT kMostArguments = 10000;
constexpr DISPID kFirstPageId = 1000;

BSTR newBstr(const std::wstring& text) { return SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }

bool wellFormed(const DISPPARAMS* params) {
    if (!params) return true;
    if (params->cArgs > kMostArguments || (params->cArgs > 0 && !params->rgvarg)) return false;
    return params->cNamedArgs <= params->cArgs && (params->cNamedArgs == 0 || params->rgdispidNamedArgs);
}

}  // namespace

ComBridge::ComBridge(PageScript& page, BrowserFaults& faults, MainThreadCheck onMainThread, MainThreadPost post)
    : page_(&page),
      faults_(faults),
      onMainThread_(std::move(onMainThread)),
      post_(std::move(post)),
      proxies_([](IDispatch* object) { object->Release(); }, "The control's object is no longer available") {
    stashBridge(page.context(), this);
}

ComBridge::~ComBridge() {
    detachPage();
    releaseDroppedReferences();
}

bool ComBridge::checkMainThread(const char* what) {
    if (onMainThread_()) return true;
    faults_.record(std::string(what) + " off the main thread");
    return false;
}

void ComBridge::detachPage() {
    if (!page_) return;
    disconnectProxies();
    for (PageDispatch* object : pageObjects_.all()) object->detach();
    pageObjects_.clear();
    pageObjectOf_.clear();
    page_ = nullptr;
}

DISPID ComBridge::idForName(const std::string& name) {
    const auto found = ids_.find(name);
    if (found != ids_.end()) return found->second;
    const DISPID id = kFirstPageId + static_cast<DISPID>(ids_.size());
    ids_.emplace(name, id);
    names_.emplace(id, name);
    return id;
}

const std::string* ComBridge::nameForId(DISPID id) const {
    const auto found = names_.find(id);
    return found == names_.end() ? nullptr : &found->second;
}

PageObjectKind ComBridge::kindOf(duk_idx_t index) {
    duk_context* context = page_->context();
    void* object = duk_get_heapptr(context, index);
    duk_push_global_object(context);
    void* window = duk_get_heapptr(context, -1);
    duk_get_prop_string(context, -1, "document");
    void* document = duk_get_heapptr(context, -1);
    duk_pop_2(context);
    void* element = nullptr;
    if (elementKey_) {
        page_->pushHeldValue(elementKey_);
        element = duk_get_heapptr(context, -1);
        duk_pop(context);
    }
    if (object == window) return PageObjectKind::Window;
    if (object == document) return PageObjectKind::Document;
    if (element && object == element) return PageObjectKind::Element;
    return PageObjectKind::Plain;
}

PageDispatch* ComBridge::pageObjectFor(duk_idx_t index) {
    if (!page_) return nullptr;
    duk_context* context = page_->context();
    index = duk_normalize_index(context, index);
    if (!duk_is_object(context, index)) return nullptr;
    if (PageDispatch* known = pageObjects_.find(context, index)) {
        known->AddRef();
        return known;
    }
    auto* object = new PageDispatch(*this, page_->holdValue(index), kindOf(index));
    pageObjects_.add(context, index, object);
    pageObjectOf_[object->dispatch()] = object;
    return object;
}

void ComBridge::forgetPageObject(PageDispatch* object) {
    pageObjectOf_.erase(object->dispatch());
    if (!page_ || !object->heldKey()) {
        pageObjects_.remove(nullptr, object);
        return;
    }
    page_->pushHeldValue(object->heldKey());
    pageObjects_.remove(page_->context(), object);
    duk_pop(page_->context());
    page_->dropHeldValue(object->heldKey());
}

void ComBridge::toVariant(duk_idx_t index, VARIANT& value) {
    VariantInit(&value);
    if (!page_) return;
    duk_context* context = page_->context();
    switch (duk_get_type(context, index)) {
        case DUK_TYPE_NULL:
            value.vt = VT_NULL;
            break;
        case DUK_TYPE_BOOLEAN:
            value.vt = VT_BOOL;
            value.boolVal = duk_get_boolean(context, index) ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case DUK_TYPE_NUMBER: {
            const double number = duk_get_number(context, index);
            if (isInt32Number(number)) {
                value.vt = VT_I4;
                value.lVal = static_cast<LONG>(number);
            } else {
                value.vt = VT_R8;
                value.dblVal = number;
            }
            break;
        }
        case DUK_TYPE_STRING: {
            value.bstrVal = newBstr(FB::utf8ToWide(scriptText(context, index)));
            value.vt = value.bstrVal ? VT_BSTR : VT_EMPTY;
            break;
        }
        case DUK_TYPE_OBJECT:
        case DUK_TYPE_LIGHTFUNC: {
            IDispatch* object = nullptr;
            if (Proxies::Record* record = proxies_.proxyAt(context, index)) {
                object = record->object;
                if (object) object->AddRef();
            } else if (PageDispatch* page = pageObjectFor(index)) {
                object = page->dispatch();
            }
            value.vt = object ? VT_DISPATCH : VT_NULL;
            value.pdispVal = object;
            break;
        }
        default:  // undefined, buffers and pointers
            break;
    }
}

void ComBridge::pushVariant(const VARIANT& value) {
    duk_context* context = page_->context();
    switch (value.vt) {
        case VT_NULL:
            duk_push_null(context);
            break;
        case VT_BOOL:
            duk_push_boolean(context, value.boolVal != VARIANT_FALSE);
            break;
        case VT_I4:
            duk_push_int(context, value.lVal);
            break;
        case VT_R8:
            duk_push_number(context, value.dblVal);
            break;
        case VT_BSTR: {
            const std::string text = FB::wideToUtf8(bstrText(value.bstrVal));
            duk_push_lstring(context, text.data(), text.size());
            break;
        }
        case VT_DISPATCH:
            if (!value.pdispVal) {
                duk_push_null(context);
            } else if (const auto page = pageObjectOf_.find(value.pdispVal); page != pageObjectOf_.end()) {
                page_->pushHeldValue(page->second->heldKey());
            } else {
                pushControlObject(value.pdispVal);
            }
            break;
        default:  // VT_EMPTY, and types the control never hands the page
            duk_push_undefined(context);
            break;
    }
}

bool ComBridge::runOperation(PageDispatch& object, ScriptOperation operation, const std::string* name, duk_idx_t count,
                             const std::function<void()>& pushValues) {
    duk_context* context = page_->context();
    page_->pushHeldValue(object.heldKey());
    if (name)
        duk_push_lstring(context, name->data(), name->size());
    else
        duk_push_undefined(context);
    pushValues();
    return runScriptOperation(context, operation, count);
}

// The error on top of the stack: an uncaught error of the page, and the call's exception record.
HRESULT ComBridge::scriptFailure(EXCEPINFO* exception) {
    const std::string text = PageScript::textOf(page_->context(), -1);
    page_->writeConsole("Uncaught " + text);
    if (exception) {
        exception->bstrSource = newBstr(L"JavaScript runtime error");
        exception->bstrDescription = newBstr(FB::utf8ToWide(text));
        exception->scode = E_FAIL;
    }
    return DISP_E_EXCEPTION;
}

HRESULT ComBridge::hasMember(PageDispatch& object, const std::string& name, bool& has) {
    duk_context* context = page_->context();
    const duk_idx_t top = duk_get_top(context);
    const bool ok = runOperation(object, ScriptOperation::Has, &name, 0, [&] { duk_push_undefined(context); });
    has = ok && duk_get_boolean(context, -1);
    duk_set_top(context, top);
    return S_OK;
}

HRESULT ComBridge::invoke(PageDispatch& object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* exception) {
    if (!wellFormed(params)) return E_INVALIDARG;
    const std::string* name = nullptr;
    if (id != DISPID_VALUE && !(name = nameForId(id))) return DISP_E_MEMBERNOTFOUND;
    const UINT count = params ? params->cArgs : 0;
    const UINT named = params ? params->cNamedArgs : 0;
    const bool passesThis = named > 0 && params->rgdispidNamedArgs[0] == DISPID_THIS;
    duk_context* context = page_->context();
    if (!duk_check_stack(context, static_cast<duk_idx_t>(count) + 8)) return E_OUTOFMEMORY;

    ScriptOperation kind = ScriptOperation::Get;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        if (!name) return DISP_E_MEMBERNOTFOUND;
        if (count == 0) return DISP_E_BADPARAMCOUNT;
        kind = ScriptOperation::Set;
    } else if (flags & DISPATCH_METHOD) {
        kind = name ? ScriptOperation::CallMember : ScriptOperation::Call;
    } else if (flags & DISPATCH_CONSTRUCT) {
        kind = name ? ScriptOperation::ConstructMember : ScriptOperation::Construct;
    } else if (!(flags & DISPATCH_PROPERTYGET)) {
        return E_INVALIDARG;
    } else if (!name) {  // the object's own value: the object itself
        if (result) {
            VariantClear(result);
            result->vt = VT_DISPATCH;
            result->pdispVal = object.dispatch();
            object.AddRef();
        }
        return S_OK;
    }

    const duk_idx_t top = duk_get_top(context);
    const UINT firstPositional = kind == ScriptOperation::Set ? 0 : named;
    const duk_idx_t valueCount = kind == ScriptOperation::Set ? 1 : static_cast<duk_idx_t>(count - firstPositional);
    const bool ok = runOperation(object, kind, name, valueCount, [&] {
        if (passesThis && kind != ScriptOperation::Set)
            pushVariant(params->rgvarg[0]);
        else if (kind == ScriptOperation::CallMember)
            page_->pushHeldValue(object.heldKey());
        else
            duk_push_undefined(context);
        if (kind == ScriptOperation::Set) {
            pushVariant(params->rgvarg[0]);
            return;
        }
        for (UINT i = count; i > firstPositional; --i) pushVariant(params->rgvarg[i - 1]);
    });
    HRESULT answer = S_OK;
    if (!ok) {
        answer = scriptFailure(exception);
    } else if (result) {
        VariantClear(result);
        toVariant(-1, *result);
    }
    duk_set_top(context, top);
    return answer;
}

HRESULT ComBridge::deleteMember(PageDispatch& object, const std::string& name) {
    duk_context* context = page_->context();
    const duk_idx_t top = duk_get_top(context);
    const bool ok = runOperation(object, ScriptOperation::Delete, &name, 0, [&] { duk_push_undefined(context); });
    const bool deleted = ok && duk_get_boolean(context, -1);
    duk_set_top(context, top);
    return deleted ? S_OK : S_FALSE;
}

// The object's own enumerable members in script order; the id of the one after `id`.
HRESULT ComBridge::nextMember(PageDispatch& object, DISPID id, DISPID* next) {
    duk_context* context = page_->context();
    const duk_idx_t top = duk_get_top(context);
    std::vector<std::string> keys;
    if (runOperation(object, ScriptOperation::OwnKeys, nullptr, 0, [&] { duk_push_undefined(context); })) {
        const auto length = static_cast<duk_uarridx_t>(duk_get_length(context, -1));
        for (duk_uarridx_t i = 0; i < length; ++i) {
            duk_get_prop_index(context, -1, i);
            keys.push_back(scriptText(context, -1, true));
            duk_pop(context);
        }
    }
    duk_set_top(context, top);
    size_t position = 0;
    if (id != DISPID_STARTENUM) {
        const std::string* name = nameForId(id);
        if (!name) return S_FALSE;
        const auto found = std::find(keys.begin(), keys.end(), *name);
        if (found == keys.end()) return S_FALSE;
        position = static_cast<size_t>(found - keys.begin()) + 1;
    }
    if (position >= keys.size()) return S_FALSE;
    *next = idForName(keys[position]);
    return S_OK;
}

HRESULT ComBridge::execScript(const std::string& code, VARIANT* result) {
    duk_context* context = page_->context();
    const duk_idx_t top = duk_get_top(context);
    HRESULT answer = S_OK;
    if (!page_->evaluateOnStack(code, "execScript")) {
        answer = scriptFailure(nullptr);
    } else if (result) {
        VariantClear(result);
        toVariant(-1, *result);
    }
    duk_set_top(context, top);
    return answer;
}

}  // namespace test_support
