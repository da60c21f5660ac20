// URL monikers, the asynchronous bind context and the binding: the callback is told everything on
// the thread that started the binding, through a message-only window of the binding's, whatever
// thread the URL provider answers on.
#include "platform/net/urlmon.h"

#include "platform/com/objbase.h"
#include "platform/net/http_header_block.h"
#include "platform/net/url_provider.h"
#include "platform/base/win_error.h"
#include "platform/text/utf_text.h"
#include "platform/window/win_window.h"

#include <atomic>
#include <cwctype>
#include <deque>
#include <mutex>
#include <string>
#include <variant>

namespace {

constexpr UINT kDrainMessage = WM_USER + 0x51;
constexpr const wchar_t* kBindingWindowClass = L"UrlBindingWindow";

std::mutex providerLock;
platform::UrlProvider installedProvider;

platform::UrlProvider currentProvider() {
    std::lock_guard<std::mutex> guard(providerLock);
    return installedProvider ? installedProvider : platform::UrlProvider(platform::serveLocalFile);
}

// The COM reference counting every object here shares.
template <typename Self>
class Counted {
protected:
    ULONG addReference() { return ++references_; }
    ULONG releaseReference() {
        const ULONG left = --references_;
        if (left == 0) delete static_cast<Self*>(this);
        return left;
    }

private:
    std::atomic<ULONG> references_{1};
};

template <typename Interface, typename Self>
HRESULT answer(Self* self, REFIID iid, REFIID own, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != own) return E_NOINTERFACE;
    *object = static_cast<Interface*>(self);
    self->AddRef();
    return S_OK;
}

// What the provider's answers become on their way to the binding's thread.
struct Response {
    int status;
    std::string headers;
};
struct Data {
    std::string bytes;
};
struct Finish {
    HRESULT result;
};
using Event = std::variant<Response, Data, Finish>;

// The provider's side of one binding, shared with the binding. Any thread.
class Channel final : public platform::UrlTransfer {
public:
    explicit Channel(HWND window) : window_(window) {}

    bool respond(int status, const std::string& headers) override { return push(Response{status, headers}); }
    bool deliver(const char* data, size_t size) override { return push(Data{std::string(data, size)}); }
    void finish(HRESULT result) override { push(Finish{result}); }
    bool aborted() const override { return aborted_; }
    // Work kept after the binding ended goes at once (on the caller's thread).
    void keep(std::shared_ptr<void> work) override {
        std::lock_guard<std::mutex> guard(lock_);
        if (window_) kept_.push_back(std::move(work));
    }

    void abort() { aborted_ = true; }
    bool pop(Event& event) {
        std::lock_guard<std::mutex> guard(lock_);
        if (events_.empty()) return false;
        event = std::move(events_.front());
        events_.pop_front();
        return true;
    }
    // The binding ended: nothing reaches its window any more, and the provider's work goes (on the
    // binding's thread, never on a thread of that work).
    void close() {
        std::vector<std::shared_ptr<void>> kept;
        {
            std::lock_guard<std::mutex> guard(lock_);
            window_ = nullptr;
            events_.clear();
            kept.swap(kept_);
        }
        aborted_ = true;
    }

private:
    bool push(Event event) {
        std::lock_guard<std::mutex> guard(lock_);
        if (!window_ || aborted_) return false;
        events_.push_back(std::move(event));
        PostMessageW(window_, kDrainMessage, 0, 0);
        return true;
    }

    mutable std::mutex lock_;
    HWND window_;
    std::deque<Event> events_;
    std::vector<std::shared_ptr<void>> kept_;
    std::atomic<bool> aborted_{false};
};

// The data received and not yet read. The binding's thread only.
class DataStream final : public IStream, private Counted<DataStream> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return answer<IStream>(this, iid, IID_IStream, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return addReference(); }
    ULONG STDMETHODCALLTYPE Release() override { return releaseReference(); }
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override {
        if (read) *read = 0;
        if (!buffer && size > 0) return E_POINTER;
        if (pending_.empty()) return ended_ ? S_FALSE : E_PENDING;
        const size_t taken = std::min<size_t>(size, pending_.size());
        std::copy_n(pending_.data(), taken, static_cast<char*>(buffer));
        pending_.erase(0, taken);
        if (read) *read = static_cast<ULONG>(taken);
        return S_OK;
    }

    void append(const std::string& bytes) { pending_ += bytes; }
    void end() { ended_ = true; }

private:
    friend class Counted<DataStream>;
    ~DataStream() = default;

    std::string pending_;
    bool ended_ = false;
};

class UrlBinding final : public IBinding, public IWinInetHttpInfo, private Counted<UrlBinding> {
public:
    UrlBinding(std::wstring url, IBindStatusCallback* callback) : url_(std::move(url)), callback_(callback) {
        callback_->AddRef();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown || iid == IID_IBinding)
            *object = static_cast<IBinding*>(this);
        else if (iid == IID_IWinInetInfo || iid == IID_IWinInetHttpInfo)
            *object = static_cast<IWinInetHttpInfo*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return addReference(); }
    ULONG STDMETHODCALLTYPE Release() override { return releaseReference(); }

    HRESULT STDMETHODCALLTYPE Abort() override {
        if (stopped_ || !channel_) return INET_E_RESULT_DISPATCHED;
        channel_->abort();
        // The end is told through the pump, as every other notification.
        aborting_ = true;
        PostMessageW(window_, kDrainMessage, 0, 0);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE QueryOption(DWORD, LPVOID, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryInfo(DWORD option, LPVOID buffer, DWORD* size, DWORD*, DWORD*) override;

    // Asks the callback for what to send, hands the request to the provider; false when the
    // binding could not start (the callback has then been told nothing).
    HRESULT start();
    void drain();

private:
    friend class Counted<UrlBinding>;
    ~UrlBinding() {
        if (window_) DestroyWindow(window_);
        if (callback_) callback_->Release();
        if (stream_) stream_->Release();
    }

    platform::UrlRequest request();
    void handle(const Event& event);
    void stop(HRESULT result);

    std::wstring url_;
    IBindStatusCallback* callback_;
    IHttpNegotiate* negotiate_ = nullptr;  // borrowed from the callback while it is held
    std::shared_ptr<Channel> channel_;
    HWND window_ = nullptr;
    DataStream* stream_ = nullptr;
    std::string requestHeaders_;
    std::string responseHeaders_;
    DWORD received_ = 0;
    bool firstData_ = true;
    bool aborting_ = false;
    bool stopped_ = false;
};

LRESULT CALLBACK bindingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kDrainMessage) {
        if (auto* binding = reinterpret_cast<UrlBinding*>(GetWindowLongPtrW(window, GWLP_USERDATA))) binding->drain();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND makeBindingWindow() {
    static std::once_flag registered;
    std::call_once(registered, [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = bindingWindowProc;
        windowClass.lpszClassName = kBindingWindowClass;
        RegisterClassExW(&windowClass);
    });
    return CreateWindowExW(0, kBindingWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

platform::UrlRequest UrlBinding::request() {
    platform::UrlRequest request{url_, "GET", {}, {}};
    DWORD flags = 0;
    BINDINFO info{};
    info.cbSize = sizeof(info);
    if (callback_->GetBindInfo(&flags, &info) >= 0) {
        if (info.dwBindVerb == BINDVERB_POST) {
            request.verb = "POST";
            if (info.stgmedData.tymed == TYMED_HGLOBAL && info.stgmedData.hGlobal)
                request.body.assign(static_cast<const char*>(info.stgmedData.hGlobal), info.cbstgmedData);
        }
        ReleaseStgMedium(&info.stgmedData);
    }
    if (callback_->QueryInterface(IID_IHttpNegotiate, reinterpret_cast<void**>(&negotiate_)) >= 0) {
        negotiate_->Release();  // the callback holds it while the binding holds the callback
        LPWSTR added = nullptr;
        if (negotiate_->BeginningTransaction(url_.c_str(), L"", 0, &added) >= 0 && added)
            request.headers = platform::wideToUtf8Text(added);
        CoTaskMemFree(added);
    } else {
        negotiate_ = nullptr;
    }
    requestHeaders_ = request.headers;
    return request;
}

HRESULT UrlBinding::start() {
    window_ = makeBindingWindow();
    if (!window_) return E_OUTOFMEMORY;
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    stream_ = new DataStream();
    channel_ = std::make_shared<Channel>(window_);
    AddRef();  // in flight until it stops
    callback_->OnStartBinding(0, this);
    const platform::UrlRequest made = request();
    currentProvider()(made, channel_);
    return MK_S_ASYNCHRONOUS;
}

void UrlBinding::drain() {
    AddRef();  // the callback may drop its reference meanwhile
    if (aborting_ && !stopped_) stop(E_ABORT);
    Event event;
    while (!stopped_ && channel_->pop(event)) handle(event);
    Release();
}

void UrlBinding::handle(const Event& event) {
    if (const auto* response = std::get_if<Response>(&event)) {
        responseHeaders_ = response->headers;
        if (!negotiate_) return;
        LPWSTR added = nullptr;
        const HRESULT result =
            negotiate_->OnResponse(DWORD(response->status), platform::utf8ToWideText(response->headers).c_str(),
                                   platform::utf8ToWideText(requestHeaders_).c_str(), &added);
        CoTaskMemFree(added);
        if (result < 0) stop(E_ABORT);
    } else if (const auto* data = std::get_if<Data>(&event)) {
        if (data->bytes.empty()) return;
        stream_->append(data->bytes);
        received_ += static_cast<DWORD>(data->bytes.size());
        FORMATETC format{};
        STGMEDIUM medium{};
        medium.tymed = TYMED_ISTREAM;
        medium.pstm = stream_;
        const DWORD flags = firstData_ ? BSCF_FIRSTDATANOTIFICATION : BSCF_INTERMEDIATEDATANOTIFICATION;
        firstData_ = false;
        if (callback_->OnDataAvailable(flags, received_, &format, &medium) < 0) stop(E_ABORT);
    } else if (const auto* finish = std::get_if<Finish>(&event)) {
        if (finish->result >= 0) {
            stream_->end();
            FORMATETC format{};
            STGMEDIUM medium{};
            medium.tymed = TYMED_ISTREAM;
            medium.pstm = stream_;
            const DWORD flags = (firstData_ ? BSCF_FIRSTDATANOTIFICATION : 0) | BSCF_LASTDATANOTIFICATION;
            callback_->OnDataAvailable(flags, received_, &format, &medium);
        }
        stop(finish->result);
    }
}

void UrlBinding::stop(HRESULT result) {
    if (stopped_) return;
    stopped_ = true;
    channel_->close();
    callback_->OnStopBinding(result, nullptr);
    callback_->Release();
    callback_ = nullptr;
    negotiate_ = nullptr;
    Release();  // no longer in flight
}

HRESULT UrlBinding::QueryInfo(DWORD option, LPVOID buffer, DWORD* size, DWORD*, DWORD*) {
    if (!size) return E_POINTER;
    const char* name = option == HTTP_QUERY_CONTENT_TYPE     ? "Content-Type"
                       : option == HTTP_QUERY_CONTENT_LENGTH ? "Content-Length"
                       : option == HTTP_QUERY_ACCEPT_RANGES  ? "Accept-Ranges"
                       : option == HTTP_QUERY_CONTENT_RANGE  ? "Content-Range"
                                                             : nullptr;
    if (!name) return E_INVALIDARG;
    const auto value = platform::httpHeaderValue(responseHeaders_, name);
    if (!value) return HRESULT_FROM_WIN32(ERROR_HTTP_HEADER_NOT_FOUND);
    const auto needed = static_cast<DWORD>(value->size() + 1);
    if (!buffer || *size < needed) {
        *size = needed;
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    std::copy_n(value->c_str(), needed, static_cast<char*>(buffer));
    *size = needed - 1;
    return S_OK;
}

class AsyncBindCtx final : public IBindCtx, private Counted<AsyncBindCtx> {
public:
    explicit AsyncBindCtx(IBindStatusCallback* callback) : callback_(callback) { callback_->AddRef(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return answer<IBindCtx>(this, iid, IID_IBindCtx, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return addReference(); }
    ULONG STDMETHODCALLTYPE Release() override { return releaseReference(); }
    IBindStatusCallback* callback() const { return callback_; }

private:
    friend class Counted<AsyncBindCtx>;
    ~AsyncBindCtx() { callback_->Release(); }
    IBindStatusCallback* callback_;
};

class UrlMoniker final : public IMoniker, private Counted<UrlMoniker> {
public:
    explicit UrlMoniker(std::wstring url) : url_(std::move(url)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return answer<IMoniker>(this, iid, IID_IMoniker, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return addReference(); }
    ULONG STDMETHODCALLTYPE Release() override { return releaseReference(); }
    HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx* context, IMoniker*, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        auto* async = dynamic_cast<AsyncBindCtx*>(context);
        if (!async || iid != IID_IStream) return E_INVALIDARG;
        auto* binding = new UrlBinding(url_, async->callback());
        const HRESULT result = binding->start();
        binding->Release();
        return result;
    }

private:
    friend class Counted<UrlMoniker>;
    ~UrlMoniker() = default;
    std::wstring url_;
};

}  // namespace

namespace platform::testing {

void setUrlProvider(UrlProvider provider) {
    std::lock_guard<std::mutex> guard(providerLock);
    installedProvider = std::move(provider);
}

}  // namespace platform::testing

void WINAPI ReleaseStgMedium(STGMEDIUM* medium) {
    if (!medium) return;
    if (medium->pUnkForRelease)
        medium->pUnkForRelease->Release();
    else if (medium->tymed == TYMED_HGLOBAL)
        GlobalFree(medium->hGlobal);
    else if (medium->tymed == TYMED_ISTREAM && medium->pstm)
        medium->pstm->Release();
    medium->tymed = TYMED_NULL;
    medium->hGlobal = nullptr;
    medium->pUnkForRelease = nullptr;
}

HRESULT WINAPI CreateURLMonikerEx(IMoniker*, LPCWSTR url, IMoniker** moniker, DWORD) {
    if (!moniker) return E_POINTER;
    *moniker = nullptr;
    if (!url) return E_INVALIDARG;
    *moniker = new UrlMoniker(url);
    return S_OK;
}

HRESULT WINAPI CreateAsyncBindCtx(DWORD, IBindStatusCallback* callback, void*, IBindCtx** context) {
    if (!context) return E_POINTER;
    *context = nullptr;
    if (!callback) return E_INVALIDARG;
    *context = new AsyncBindCtx(callback);
    return S_OK;
}

HRESULT WINAPI IsValidURL(IBindCtx*, LPCWSTR url, DWORD) {
    if (!url) return E_INVALIDARG;
    size_t at = 0;
    while (url[at] && (std::iswalnum(url[at]) || url[at] == L'+' || url[at] == L'-' || url[at] == L'.')) ++at;
    return at > 0 && std::iswalpha(url[0]) && url[at] == L':' ? S_OK : S_FALSE;
}
