// The container's own sink for a control's events, as a browser advises one on the control's
// default outgoing interface (the one its class information names): every event arrives as a
// call of its name with its arguments, which the sink writes down as "name(arg, ...)" (numbers
// and strings as text, anything else by its VARIANT type). Any name is an event. Calls are checked
// to arrive on the container's main thread.
#pragma once

#include "platform/com/oaidl.h"

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace test_support {

class ControlEventSink final : public IDispatch {
public:
    using MainThreadCheck = std::function<bool()>;
    using FaultSink = std::function<void(const std::string&)>;

    // With one reference, for the caller.
    ControlEventSink(MainThreadCheck onMainThread, FaultSink faults);

    const std::vector<std::string>& heard() const { return heard_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override;

private:
    ~ControlEventSink() = default;
    void check(const char* method);

    MainThreadCheck onMainThread_;
    FaultSink faults_;
    std::map<std::wstring, DISPID> ids_;
    std::vector<std::string> heard_;
    std::atomic<ULONG> references_{1};
};

}  // namespace test_support
