#include "scripting/js_object.h"

namespace FB {

JSObject::JSObject(const PageObjectHostPtr& host) : host_(host) {}

JSObject::~JSObject() = default;

void JSObject::callHandlers(const std::string&, const VariantList&, const std::vector<JSObjectPtr>&,
                            const std::vector<JSObjectPtr>&) {}

PageObjectHostPtr JSObject::browserHost() const { return PageObjectHostPtr(host_); }

}  // namespace FB
