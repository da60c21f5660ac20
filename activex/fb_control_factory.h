// The control's class object: makes a new control for each CreateInstance. Aggregation is
// refused; LockServer holds the module's lock count.
#pragma once

#include "platform/com/class_factory.h"

#include <atomic>

namespace FB::ActiveX {

class FBControlClassFactory final : public IClassFactory {
public:
    // With one reference, for the caller.
    FBControlClassFactory() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override;
    // CLASS_E_NOAGGREGATION with an outer object, E_POINTER for a null output.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    ~FBControlClassFactory() = default;

    std::atomic<ULONG> m_references{1};
};

}  // namespace FB::ActiveX
