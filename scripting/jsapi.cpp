#include "scripting/jsapi.h"

#include "scripting/script_error.h"
#include "scripting/utf8_tools.h"

namespace FB {

JSAPI::~JSAPI() = default;

void JSAPI::pushScope(const int&) {}
void JSAPI::popScope() {}
void JSAPI::setDefaultScope(const int&) {}
int JSAPI::getDefaultScope() { return 0; }
int JSAPI::getScope() { return 0; }

void JSAPI::addEventHandler(const std::wstring& name, const JSObjectPtr& handler) {
    addEventHandler(wideToUtf8(name), handler);
}

void JSAPI::addEventHandler(const std::string&, const JSObjectPtr&) { throw script_error("Not implemented"); }

void JSAPI::removeEventHandler(const std::wstring& name, const JSObjectPtr& handler) {
    removeEventHandler(wideToUtf8(name), handler);
}

void JSAPI::removeEventHandler(const std::string&, const JSObjectPtr&) { throw script_error("Not implemented"); }

void JSAPI::addEventSink(const JSObjectPtr&) { throw script_error("Not implemented"); }
void JSAPI::removeEventSink(const JSObjectPtr&) { throw script_error("Not implemented"); }

void JSAPI::listMemberNames(std::vector<std::string>* names) { listMemberNames(*names); }
void JSAPI::listMemberNames(std::vector<std::wstring>* names) { listMemberNames(*names); }

void JSAPI::listMemberNames(std::vector<std::wstring>& names) {
    names.clear();
    std::vector<std::string> narrow;
    listMemberNames(narrow);
    names.reserve(narrow.size());
    for (const std::string& name : narrow) names.push_back(utf8ToWide(name));
}

bool JSAPI::HasMethod(const std::wstring& name) { return HasMethod(wideToUtf8(name)); }
bool JSAPI::canFetchMethod(const std::string&) { return false; }
bool JSAPI::canFetchMethod(const std::wstring& name) { return canFetchMethod(wideToUtf8(name)); }
bool JSAPI::HasProperty(const std::wstring& name) { return HasProperty(wideToUtf8(name)); }

JSAPIPtr JSAPI::fetchMethodObject(const std::string&) { return JSAPIPtr(); }
JSAPIPtr JSAPI::fetchMethodObject(const std::wstring& name) { return fetchMethodObject(wideToUtf8(name)); }

variant JSAPI::GetProperty(const std::wstring& name) { return GetProperty(wideToUtf8(name)); }

void JSAPI::SetProperty(const std::wstring& name, const variant& value) { SetProperty(wideToUtf8(name), value); }

void JSAPI::RemoveProperty(const std::wstring& name) { RemoveProperty(wideToUtf8(name)); }

variant JSAPI::Invoke(const std::wstring& name, const VariantList& args) { return Invoke(wideToUtf8(name), args); }

}  // namespace FB
