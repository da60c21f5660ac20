// The property bag through which the container hands a control the <param> values of its
// <object> element, as text; names listed as failing answer a failed read, as a bag does for a
// value it cannot give.
#pragma once

#include "platform/com/ole_persist.h"

#include <atomic>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

class ParamPropertyBag final : public IPropertyBag, public IPropertyBag2 {
public:
    // With one reference, for the caller. Names and values are UTF-8.
    explicit ParamPropertyBag(std::vector<std::pair<std::string, std::string>> params,
                              std::set<std::string> failing = {});

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE Read(ULONG count, PROPBAG2* properties, IErrorLog* log, VARIANT* values,
                                   HRESULT* results) override;
    HRESULT STDMETHODCALLTYPE CountProperties(ULONG* count) override;
    HRESULT STDMETHODCALLTYPE GetPropertyInfo(ULONG first, ULONG count, PROPBAG2* properties, ULONG* got) override;

private:
    ~ParamPropertyBag() = default;
    HRESULT readOne(const std::wstring& name, VARIANT* value);

    std::vector<std::pair<std::wstring, std::wstring>> params_;
    std::set<std::wstring> failing_;
    std::atomic<ULONG> references_{1};
};

}  // namespace test_support
