// URL monikers (urlmon): a URL bound asynchronously to a stream of its data. The container's
// status callback, registered on an asynchronous bind context, is told on the thread that started
// the binding, through that thread's message pump: the start with the binding (which can be
// aborted and answers the response's HTTP headers), the request headers to add and the response
// (IHttpNegotiate; a transfer without an HTTP response has none), the data as it arrives through
// one IStream, and the end. Progress tells of a redirect followed (BINDSTATUS_REDIRECTING with the
// new URL) and, for a binding that asks for a file (BINDF_NEEDFILE), of the cache file its data is
// delivered into (BINDSTATUS_CACHEFILENAMEAVAILABLE, before the first data); that file is deleted
// when the data stream goes. The transfer itself is done by the process's URL provider
// (platform/net/url_provider.h).
#pragma once

#include "platform/base/win_global_memory.h"
#include "platform/com/oleauto.h"
#include "platform/com/unknwn.h"

extern "C" const IID IID_IStream;
extern "C" const IID IID_IMoniker;
extern "C" const IID IID_IBindCtx;
extern "C" const IID IID_IBinding;
extern "C" const IID IID_IBindStatusCallback;
extern "C" const IID IID_IHttpNegotiate;
extern "C" const IID IID_IWinInetInfo;
extern "C" const IID IID_IWinInetHttpInfo;

#define MK_S_ASYNCHRONOUS ((HRESULT)0x000401E8L)
#define E_PENDING ((HRESULT)0x8000000AL)
#define E_ABORT ((HRESULT)0x80004004L)
#define INET_E_RESOURCE_NOT_FOUND ((HRESULT)0x800C0005L)
#define INET_E_DOWNLOAD_FAILURE ((HRESULT)0x800C0008L)
#define INET_E_RESULT_DISPATCHED ((HRESULT)0x800C0200L)
#define INET_E_UNKNOWN_PROTOCOL ((HRESULT)0x800C000DL)
#define INET_E_REDIRECT_FAILED ((HRESULT)0x800C0014L)
#define MK_E_SYNTAX ((HRESULT)0x800401E4L)

#define URL_MK_UNIFORM 1

// GetBindInfo flags.
#define BINDF_ASYNCHRONOUS 0x00000001
#define BINDF_ASYNCSTORAGE 0x00000002
#define BINDF_NOWRITECACHE 0x00000010
#define BINDF_NEEDFILE 0x00000040
#define BINDF_PULLDATA 0x00000080
#define BINDF_GETNEWESTVERSION 0x00000020
#define BINDF_PRAGMA_NO_CACHE 0x00002000

typedef enum tagBINDVERB { BINDVERB_GET = 0, BINDVERB_POST = 1, BINDVERB_PUT = 2, BINDVERB_CUSTOM = 3 } BINDVERB;

// OnProgress status codes.
#define BINDSTATUS_REDIRECTING 3
#define BINDSTATUS_CACHEFILENAMEAVAILABLE 14

// OnDataAvailable flags.
#define BSCF_FIRSTDATANOTIFICATION 0x01
#define BSCF_INTERMEDIATEDATANOTIFICATION 0x02
#define BSCF_LASTDATANOTIFICATION 0x04

#define TYMED_NULL 0
#define TYMED_HGLOBAL 1
#define TYMED_ISTREAM 4

// IWinInetHttpInfo::QueryInfo options: the response's header of that name.
#define HTTP_QUERY_CONTENT_TYPE 1
#define HTTP_QUERY_CONTENT_LENGTH 5
#define HTTP_QUERY_ACCEPT_RANGES 42
#define HTTP_QUERY_CONTENT_RANGE 53
#define ERROR_HTTP_HEADER_NOT_FOUND 12150L

struct IStream;

typedef struct tagSTGMEDIUM {
    DWORD tymed;
    union {
        HGLOBAL hGlobal;
        IStream* pstm;
    };
    IUnknown* pUnkForRelease;  // released with the medium when set
} STGMEDIUM;

typedef struct tagFORMATETC {
    WORD cfFormat;
    void* ptd;
    DWORD dwAspect;
    LONG lindex;
    DWORD tymed;
} FORMATETC;

typedef struct _tagBINDINFO {
    ULONG cbSize;
    LPWSTR szExtraInfo;
    STGMEDIUM stgmedData;  // the data a POST sends
    DWORD grfBindInfoF;
    DWORD dwBindVerb;
    LPWSTR szCustomVerb;
    DWORD cbstgmedData;  // its length in bytes
} BINDINFO;

// Releases what the medium holds: its pUnkForRelease, else the block or stream itself.
void WINAPI ReleaseStgMedium(STGMEDIUM* medium);

struct IStream : IUnknown {
    // S_OK with the bytes there were (fewer than asked, maybe), E_PENDING when none have come yet,
    // S_FALSE with none at the end of the data.
    virtual HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) = 0;

protected:
    ~IStream() = default;
};

struct IBinding : IUnknown {
    // The transfer stops; OnStopBinding follows with E_ABORT. INET_E_RESULT_DISPATCHED when it
    // had already ended.
    virtual HRESULT STDMETHODCALLTYPE Abort() = 0;

protected:
    ~IBinding() = default;
};

struct IBindStatusCallback : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG status,
                                                 LPCWSTR statusText) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) = 0;
    // A failure aborts the binding.
    virtual HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format,
                                                      STGMEDIUM* medium) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID iid, IUnknown* object) = 0;

protected:
    ~IBindStatusCallback() = default;
};

struct IHttpNegotiate : IUnknown {
    // The headers to add to the request, in task memory the binding frees.
    virtual HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR url, LPCWSTR headers, DWORD reserved,
                                                           LPWSTR* additionalHeaders) = 0;
    // A failure aborts the binding.
    virtual HRESULT STDMETHODCALLTYPE OnResponse(DWORD code, LPCWSTR responseHeaders, LPCWSTR requestHeaders,
                                                 LPWSTR* additionalHeaders) = 0;

protected:
    ~IHttpNegotiate() = default;
};

struct IWinInetInfo : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryOption(DWORD option, LPVOID buffer, DWORD* size) = 0;

protected:
    ~IWinInetInfo() = default;
};

struct IWinInetHttpInfo : IWinInetInfo {
    // The header's value as narrow text with its terminator; a buffer too small answers
    // ERROR_INSUFFICIENT_BUFFER (as an HRESULT) with the size needed.
    virtual HRESULT STDMETHODCALLTYPE QueryInfo(DWORD option, LPVOID buffer, DWORD* size, DWORD* flags,
                                                DWORD* reserved) = 0;

protected:
    ~IWinInetHttpInfo() = default;
};

// Only the callback's bind context is kept.
struct IBindCtx : IUnknown {
protected:
    ~IBindCtx() = default;
};

struct IMoniker : IUnknown {
    // Starts the transfer (MK_S_ASYNCHRONOUS); the stream comes through the callback.
    virtual HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx* context, IMoniker* left, REFIID iid, void** object) = 0;

protected:
    ~IMoniker() = default;
};

HRESULT WINAPI CreateURLMonikerEx(IMoniker* context, LPCWSTR url, IMoniker** moniker, DWORD flags);
HRESULT WINAPI CreateAsyncBindCtx(DWORD reserved, IBindStatusCallback* callback, void* formats, IBindCtx** context);
// S_OK for a URL the provider may be asked for (a scheme followed by ':'), S_FALSE otherwise.
HRESULT WINAPI IsValidURL(IBindCtx* context, LPCWSTR url, DWORD reserved);
