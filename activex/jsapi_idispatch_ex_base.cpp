#include "activex/jsapi_idispatch_ex_base.h"

#include "activex/builtin_functions.h"
#include "activex/com_error.h"

#include <mutex>

namespace FB::ActiveX {

namespace {

struct LastException {
    std::mutex lock;
    variant message;
};

LastException& lastExceptionStore() {
    static LastException store;
    return store;
}

}  // namespace

JSAPI_IDispatchExBase::JSAPI_IDispatchExBase()
    : m_selfReference(std::make_shared<ShareableReference<JSAPI_IDispatchExBase>>(this)),
      attachEventFunction(std::make_shared<IDisp_AttachEvent>(m_selfReference)),
      detachEventFunction(std::make_shared<IDisp_DetachEvent>(m_selfReference)),
      getLastExceptionFunction(std::make_shared<IDisp_GetLastException>()) {}

JSAPI_IDispatchExBase::~JSAPI_IDispatchExBase() = default;

void JSAPI_IDispatchExBase::setAPI(const JSAPIWeakPtr& api, const std::weak_ptr<ActiveXBrowserHost>& host) {
    m_api = api;
    m_host = host;
}

JSAPIPtr JSAPI_IDispatchExBase::getAPI() const {
    JSAPIPtr api = m_api.lock();
    if (!api) throw described_bad_cast("Invalid object");
    return api;
}

ActiveXBrowserHostPtr JSAPI_IDispatchExBase::getHost() const { return m_host.lock(); }

bool JSAPI_IDispatchExBase::callSetEventListener(const VariantList& args, bool add) {
    if (args.size() < 2 || args.size() > 3) throw invalid_arguments();
    try {
        const std::string name = args[0].convertTo<std::string>();
        const JSObjectPtr handler = args[1].convertTo<JSObjectPtr>();
        if (add)
            getAPI()->addEventHandler(name, handler);
        else
            getAPI()->removeEventHandler(name, handler);
        return true;
    } catch (const std::bad_cast&) {
        throw invalid_arguments();
    }
}

variant JSAPI_IDispatchExBase::lastException() {
    LastException& store = lastExceptionStore();
    std::lock_guard<std::mutex> guard(store.lock);
    return store.message;
}

void JSAPI_IDispatchExBase::setLastException(const std::string& message) {
    LastException& store = lastExceptionStore();
    std::lock_guard<std::mutex> guard(store.lock);
    store.message = variant(message);
}

}  // namespace FB::ActiveX
