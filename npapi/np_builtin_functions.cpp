#include "npapi/np_builtin_functions.h"

#include "scripting/script_error.h"

#include <typeinfo>

namespace FB::Npapi {

JSAPIPtr NPBuiltinFunction::ownerApi() const {
    const auto owner = m_owner.lock();
    NPJavascriptObject* wrapper = owner ? owner->getPtr() : nullptr;
    if (!wrapper || !wrapper->isLive()) throw invalid_arguments();
    return wrapper->getAPI();
}

variant NPBuiltinFunction::changeListener(const VariantList& args, ListenerChange change) const {
    if (args.size() < 2 || args.size() > 3) throw invalid_arguments();
    try {
        const JSAPIPtr api = ownerApi();
        ((*api).*change)("on" + args[0].convertTo<std::string>(), args[1].convertTo<JSObjectPtr>());
        return variant();
    } catch (const std::bad_cast& e) {
        throw invalid_arguments(e.what());
    }
}

variant NPJavascriptObject::NPO_addEventListener::exec(const VariantList& args) {
    return changeListener(args, &JSAPI::addEventHandler);
}

variant NPJavascriptObject::NPO_removeEventListener::exec(const VariantList& args) {
    return changeListener(args, &JSAPI::removeEventHandler);
}

variant NPJavascriptObject::NPO_getLastException::exec(const VariantList&) { return lastException(); }

}  // namespace FB::Npapi
