#include "scripting/js_object.h"

namespace FB {

JSObject::JSObject(const BrowserHostPtr& host) : host_(host) {}

JSObject::~JSObject() = default;

void JSObject::callHandlers(const std::string&, const VariantList&,
                            const std::vector<JSObjectPtr>&, const std::vector<JSObjectPtr>&) {}

BrowserHostPtr JSObject::browserHost() const { return BrowserHostPtr(host_); }

}  // namespace FB
