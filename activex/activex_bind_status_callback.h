// The status callback of one ActiveX stream request: it asks for the transfer (verb, POST data,
// cache flags), adds the request headers (identity encoding, the byte ranges, the form content
// type of a POST), reads the response (status, headers, length, type, whether ranges are taken)
// and turns the data into the stream's data events, placed by the response's Content-Range.
// Reference counted on the thread that started the binding, where every call arrives.
#pragma once

#include "activex/com_owners.h"
#include "platform/base/win_global_memory.h"
#include "platform/net/urlmon.h"

#include <memory>
#include <vector>

namespace FB::ActiveX {

class ActiveXStreamRequest;

class ActiveXBindStatusCallback final : public IBindStatusCallback, public IHttpNegotiate {
public:
    // E_POINTER for a null output, E_OUTOFMEMORY when it cannot be made (a failed set-up deletes it).
    static HRESULT CreateInstance(const std::shared_ptr<ActiveXStreamRequest>& request,
                                  ActiveXBindStatusCallback** callback);

    // E_FAIL when post data is set already; nothing for null; a copy of exactly `length` bytes.
    HRESULT setPostData(const char* data, size_t length);
    IBinding* binding() const { return m_binding.get(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) override;
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG status, LPCWSTR text) override;
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) override;
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override;
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR url, LPCWSTR headers, DWORD reserved,
                                                   LPWSTR* additionalHeaders) override;
    HRESULT STDMETHODCALLTYPE OnResponse(DWORD code, LPCWSTR responseHeaders, LPCWSTR requestHeaders,
                                         LPWSTR* additionalHeaders) override;

private:
    explicit ActiveXBindStatusCallback(std::shared_ptr<ActiveXStreamRequest> request);
    ~ActiveXBindStatusCallback();

    // The value of a response header through the binding, narrow; false when absent or too long.
    bool queryInfo(DWORD option, std::string& value) const;

    ULONG m_references = 1;
    ComPtr<IBinding> m_binding;
    ComPtr<IStream> m_dataStream;
    uint32_t m_bytesRead = 0;
    bool m_redirected = false;
    BINDVERB m_verb = BINDVERB_GET;
    HGLOBAL m_postData = nullptr;
    size_t m_postDataLength = 0;
    std::shared_ptr<ActiveXStreamRequest> m_request;
    bool m_headersSent = false;
    // Every read goes through this one buffer, whatever size the binding announces.
    std::vector<char> m_readBuffer;
};

}  // namespace FB::ActiveX
