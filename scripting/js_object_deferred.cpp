// The deferred operations of page objects: any thread may ask for a page function to be called,
// or a page property written, on the browser's thread without waiting. The page function itself
// runs later still, from a zero-delay page timer, so page handlers never run inside the plug-in's
// own call stack. A deferred call keeps its page object alive until it has run.
#include "scripting/js_object.h"

#include <stdexcept>

namespace FB {

namespace {

PageObjectHostPtr hostForDeferredCall(const std::weak_ptr<PageObjectHost>& host) {
    PageObjectHostPtr locked = host.lock();
    if (!locked) throw std::runtime_error("Cannot invoke asynchronously");
    return locked;
}

}  // namespace

void JSObject::invokeLater(const std::string& methodName, const VariantList& args) {
    PageObjectHostPtr host = hostForDeferredCall(host_);
    auto self = std::static_pointer_cast<JSObject>(shared_from_this());
    JSObject* target = self.get();
    host->queueCallOnMainThread(self, [target, args, methodName] { target->InvokeDelayed(args, methodName); });
}

void JSObject::InvokeDelayed(const VariantList& args, const std::string& methodName) {
    JSObjectPtr self = std::static_pointer_cast<JSObject>(shared_from_this());
    browserHost()->InvokeDelayed(0, self, args, methodName);
}

void JSObject::setPropertyLater(const std::string& name, const variant& value) {
    PageObjectHostPtr host = hostForDeferredCall(host_);
    auto self = std::static_pointer_cast<JSObject>(shared_from_this());
    JSObject* target = self.get();
    host->queueCallOnMainThread(self, [target, name, value] { target->SetProperty(name, value); });
}

}  // namespace FB
