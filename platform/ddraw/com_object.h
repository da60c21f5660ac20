// Reference counting and interface lookup shared by the DirectDraw objects. Internal to the
// platform library.
#pragma once

#include "platform/com/unknwn.h"
#include "platform/ddraw/ddraw_switches.h"

#include <atomic>

namespace platform::detail {

// An object of one interface; the last Release deletes it. `interfaceId` names the interface
// QueryInterface answers besides IUnknown.
template <typename Interface, const IID* interfaceId = &IID_IUnknown>
class ComObject : public Interface {
public:
    ComObject() { countDirectDrawObject(1); }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != *interfaceId) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<Interface*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~ComObject() { countDirectDrawObject(-1); }

private:
    std::atomic<ULONG> references_{1};
};

}  // namespace platform::detail
