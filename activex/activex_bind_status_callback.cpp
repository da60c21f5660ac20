#include "activex/activex_bind_status_callback.h"

#include "activex/activex_stream_request.h"
#include "activex/content_range.h"
#include "platform/com/objbase.h"
#include "scripting/utf8_tools.h"

#include <cstdlib>
#include <cstring>

namespace FB::ActiveX {

namespace {

constexpr size_t kReadBufferSize = 64 * 1024;
constexpr DWORD kQueryBufferSize = 2048;

}  // namespace

ActiveXBindStatusCallback::ActiveXBindStatusCallback(std::shared_ptr<ActiveXStreamRequest> request)
    : m_request(std::move(request)) {}

ActiveXBindStatusCallback::~ActiveXBindStatusCallback() {
    if (m_postData) GlobalFree(m_postData);
}

HRESULT ActiveXBindStatusCallback::CreateInstance(const std::shared_ptr<ActiveXStreamRequest>& request,
                                                  ActiveXBindStatusCallback** callback) {
    if (!callback) return E_POINTER;
    *callback = nullptr;
    ActiveXBindStatusCallback* made = nullptr;
    try {
        made = new ActiveXBindStatusCallback(request);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    const std::string post = request->stream->getPostData();
    if (!post.empty()) {
        made->m_verb = BINDVERB_POST;
        if (made->setPostData(post.data(), post.size()) < 0) {
            made->Release();
            return E_OUTOFMEMORY;
        }
    }
    *callback = made;
    return S_OK;
}

HRESULT ActiveXBindStatusCallback::setPostData(const char* data, size_t length) {
    if (m_postData) return E_FAIL;
    if (!data) return S_OK;
    m_postData = GlobalAlloc(GPTR, length + 1);
    if (!m_postData) return E_OUTOFMEMORY;
    std::memcpy(m_postData, data, length);
    m_postDataLength = length;
    return S_OK;
}

HRESULT ActiveXBindStatusCallback::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IBindStatusCallback)
        *object = static_cast<IBindStatusCallback*>(this);
    else if (iid == IID_IHttpNegotiate)
        *object = static_cast<IHttpNegotiate*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG ActiveXBindStatusCallback::Release() {
    const ULONG left = --m_references;
    if (left == 0) delete this;
    return left;
}

HRESULT ActiveXBindStatusCallback::OnStartBinding(DWORD, IBinding* binding) {
    m_binding = ComPtr<IBinding>(binding);
    return S_OK;
}

HRESULT ActiveXBindStatusCallback::OnProgress(ULONG, ULONG, ULONG status, LPCWSTR text) {
    if (status == BINDSTATUS_REDIRECTING) m_redirected = true;
    if (status == BINDSTATUS_CACHEFILENAMEAVAILABLE && text && m_request && m_request->stream)
        m_request->stream->setCacheFilename(text);
    return S_OK;
}

HRESULT ActiveXBindStatusCallback::GetBindInfo(DWORD* flags, BINDINFO* info) {
    if (!flags || !info) return E_POINTER;
    *flags = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA;
    const bool cached = m_request && m_request->stream && m_request->stream->isCached();
    *flags |= cached ? BINDF_NEEDFILE : (BINDF_GETNEWESTVERSION | BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE);
    std::memset(info, 0, sizeof(*info));
    info->cbSize = sizeof(BINDINFO);
    info->dwBindVerb = m_verb;
    if (m_verb == BINDVERB_POST && m_postData) {
        info->stgmedData.tymed = TYMED_HGLOBAL;
        info->stgmedData.hGlobal = m_postData;
        info->stgmedData.pUnkForRelease = static_cast<IBindStatusCallback*>(this);
        AddRef();
        info->cbstgmedData = static_cast<DWORD>(m_postDataLength);
    }
    return m_verb == BINDVERB_GET || m_verb == BINDVERB_POST ? S_OK : E_FAIL;
}

HRESULT ActiveXBindStatusCallback::OnDataAvailable(DWORD flags, DWORD size, FORMATETC*, STGMEDIUM* medium) {
    if ((flags & BSCF_FIRSTDATANOTIFICATION) && !m_dataStream && medium && medium->tymed == TYMED_ISTREAM)
        m_dataStream = ComPtr<IStream>(medium->pstm);
    if (m_dataStream && size > m_bytesRead) {
        uint32_t base = 0;
        std::string range;
        if (queryInfo(HTTP_QUERY_CONTENT_RANGE, range)) {
            const auto parsed = parseContentRange(range);
            if (!parsed) return E_FAIL;  // data placed nowhere sensible: the binding stops
            base = parsed->first;
        }
        if (m_readBuffer.empty()) m_readBuffer.resize(kReadBufferSize);
        HRESULT result = S_OK;
        do {
            ULONG got = 0;
            result = m_dataStream->Read(m_readBuffer.data(), ULONG(m_readBuffer.size()), &got);
            if (got > 0) {
                if (m_request && m_request->stream)
                    m_request->stream->signalDataArrived(m_readBuffer.data(), got, base + m_bytesRead);
                m_bytesRead += got;
            }
        } while (result == S_OK);
    }
    if (flags & BSCF_LASTDATANOTIFICATION) m_dataStream.reset();
    return S_OK;
}

HRESULT ActiveXBindStatusCallback::OnStopBinding(HRESULT result, LPCWSTR) {
    // The request goes with the transfer: neither keeps the other alive from here on.
    const std::shared_ptr<ActiveXStreamRequest> request = std::move(m_request);
    if (request && request->stream) {
        const ActiveXStreamPtr stream = request->stream;
        stream->signalRequestCompleted(request, result >= 0);
    }
    m_binding.reset();
    return S_OK;
}

HRESULT ActiveXBindStatusCallback::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders) {
    if (!additionalHeaders) return E_POINTER;
    std::wstring headers = L"Accept-Encoding: identity\r\n";
    if (m_request && !m_request->ranges.empty()) {
        headers += L"Range: bytes=";
        for (size_t i = 0; i < m_request->ranges.size(); ++i) {
            const auto& range = m_request->ranges[i];
            if (i > 0) headers += L",";
            headers += std::to_wstring(range.start) + L"-" + std::to_wstring(uint64_t(range.end) - 1);
        }
        headers += L"\r\n";
    }
    if (m_verb == BINDVERB_POST && m_postData) headers += L"Content-Type: application/x-www-form-urlencoded\r\n";
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((headers.size() + 1) * sizeof(wchar_t)));
    if (!copy) return E_OUTOFMEMORY;
    std::copy(headers.c_str(), headers.c_str() + headers.size() + 1, copy);
    *additionalHeaders = copy;
    m_headersSent = true;
    return S_OK;
}

bool ActiveXBindStatusCallback::queryInfo(DWORD option, std::string& value) const {
    const auto info = m_binding.query<IWinInetHttpInfo>(IID_IWinInetHttpInfo);
    if (!info) return false;
    char buffer[kQueryBufferSize] = {};
    DWORD size = sizeof(buffer);
    if (info->QueryInfo(option, buffer, &size, nullptr, nullptr) != S_OK || size >= sizeof(buffer)) return false;
    value.assign(buffer, size);
    return true;
}

HRESULT ActiveXBindStatusCallback::OnResponse(DWORD code, LPCWSTR responseHeaders, LPCWSTR, LPWSTR* additionalHeaders) {
    if (!additionalHeaders) return E_POINTER;
    *additionalHeaders = nullptr;
    if (!m_request || !m_request->stream) return E_ABORT;
    const ActiveXStreamPtr stream = m_request->stream;
    stream->setHeaders(responseHeaders ? wideToUtf8(responseHeaders) : std::string());
    std::string value;
    if (queryInfo(HTTP_QUERY_CONTENT_LENGTH, value)) stream->setLength(uint32_t(std::strtoul(value.c_str(), nullptr, 10)));
    if (queryInfo(HTTP_QUERY_CONTENT_TYPE, value)) stream->setMimeType(value);
    if (queryInfo(HTTP_QUERY_ACCEPT_RANGES, value)) stream->setSeekableByServer(value == "bytes");
    bool success = code >= 200 && code <= 299;
    if (stream->isSeekable() && !stream->isSeekableByServer()) success = false;
    if (!success) {
        stream->signalFailedOpen();
        return E_ABORT;
    }
    if (!stream->isOpen()) stream->signalOpened();
    return S_OK;
}

}  // namespace FB::ActiveX
