#include "activex/fb_control_factory.h"

#include "activex/com_module.h"
#include "activex/fb_control.h"

namespace FB::ActiveX {

HRESULT FBControlClassFactory::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

ULONG FBControlClassFactory::Release() {
    const ULONG left = --m_references;
    if (left == 0) delete this;
    return left;
}

HRESULT FBControlClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return CFBControl::create(iid, object);
}

HRESULT FBControlClassFactory::LockServer(BOOL lock) {
    if (lock)
        ComModule::instance().lock();
    else
        ComModule::instance().unlock();
    return S_OK;
}

}  // namespace FB::ActiveX
