// A page object whose answers a test sets, for the proxy's cases no real page produces: members by
// name, the result of each kind of call, a member walk that may go round, and an object without
// IDispatchEx. It records every call it gets. Not deleted when its count reaches zero.
#pragma once

#include "activex/com_owners.h"
#include "platform/com/dispex.h"

#include <atomic>
#include <map>
#include <string>
#include <vector>

namespace activex_test {

class FakePageObject final : public IDispatchEx {
public:
    struct Call {
        DISPID id;
        WORD flags;
        std::vector<VARTYPE> types;  // rgvarg's types, as passed (last argument first)
        std::vector<DISPID> named;
        IDispatch* first = nullptr;  // rgvarg[0]'s object, when it is one
    };

    explicit FakePageObject(bool extended = true) : extended_(extended) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && !(extended_ && iid == IID_IDispatchEx)) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IDispatchEx*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        if (namesNotImplemented) return E_NOTIMPL;
        const auto found = members.find(names[0]);
        *ids = found == members.end() ? DISPID_UNKNOWN : found->second;
        return found == members.end() ? DISP_E_UNKNOWNNAME : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return record(id, flags, params);
    }
    HRESULT STDMETHODCALLTYPE GetDispID(BSTR name, DWORD, DISPID* id) override {
        LPOLESTR names[] = {name};
        return GetIDsOfNames(IID_NULL, names, 1, 0, id);
    }
    HRESULT STDMETHODCALLTYPE InvokeEx(DISPID id, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                       IServiceProvider*) override {
        return record(id, flags, params);
    }
    HRESULT STDMETHODCALLTYPE DeleteMemberByName(BSTR, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteMemberByDispID(DISPID id) override {
        deleted.push_back(id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMemberProperties(DISPID, DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMemberName(DISPID id, BSTR* name) override {
        for (const auto& [text, member] : members) {
            if (member != id) continue;
            *name = FB::ActiveX::ScopedBstr(text).detach();
            return S_OK;
        }
        return DISP_E_UNKNOWNNAME;
    }
    // Walks `walk` in order, from any id it holds to the one after it.
    HRESULT STDMETHODCALLTYPE GetNextDispID(DWORD, DISPID id, DISPID* next) override {
        ++walkSteps;
        size_t position = 0;
        if (id != DISPID_STARTENUM) {
            while (position < walk.size() && walk[position] != id) ++position;
            ++position;
        }
        if (position >= walk.size()) return walkFailure;
        *next = walk[position];
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetNameSpaceParent(IUnknown**) override { return E_NOTIMPL; }

    std::map<std::wstring, DISPID> members;
    std::map<WORD, HRESULT> answers;  // by call kind; S_OK otherwise
    std::vector<DISPID> walk;
    HRESULT walkFailure = S_FALSE;
    bool namesNotImplemented = false;
    std::vector<Call> calls;
    std::vector<DISPID> deleted;
    int walkSteps = 0;
    std::atomic<long> references{1};

private:
    HRESULT record(DISPID id, WORD flags, DISPPARAMS* params) {
        Call call{id, flags, {}, {}};
        for (UINT i = 0; params && i < params->cArgs; ++i) call.types.push_back(params->rgvarg[i].vt);
        for (UINT i = 0; params && i < params->cNamedArgs; ++i) call.named.push_back(params->rgdispidNamedArgs[i]);
        if (params && params->cArgs > 0 && params->rgvarg[0].vt == VT_DISPATCH) call.first = params->rgvarg[0].pdispVal;
        calls.push_back(call);
        const auto answer = answers.find(flags);
        return answer == answers.end() ? S_OK : answer->second;
    }

    bool extended_;
};

}  // namespace activex_test
