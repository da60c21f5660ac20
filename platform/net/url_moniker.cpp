// URL monikers, the asynchronous bind context and the binding: the callback is told everything on
// the thread that started the binding, through a message-only window of the binding's, whatever
// thread the URL provider answers on. A redirect is followed as the platform's downloader does,
// telling the callback the new URL; a binding that asks for a file gets its data delivered into a
// cache file as well, whose name it is told before the first data.
#include "platform/net/urlmon.h"

#include "platform/com/objbase.h"
#include "platform/net/http_header_block.h"
#include "platform/net/url_cache_file.h"
#include "platform/net/url_resolution.h"
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
// As many redirects as a browser follows for one request.
constexpr int kMostRedirects = 20;
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
    // The file the data is delivered into as well; it goes when the stream does.
    void keepCacheFile(std::unique_ptr<platform::UrlCacheFile> file) { cacheFile_ = std::move(file); }
    platform::UrlCacheFile* cacheFile() const { return cacheFile_.get(); }

private:
    friend class Counted<DataStream>;
    ~DataStream() = default;

    std::string pending_;
    bool ended_ = false;
    std::unique_ptr<platform::UrlCacheFile> cacheFile_;
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
    void respond(const Response& response);
    // A 3xx answer with a Location: the same request goes to the new URL. False for any other.
    bool redirect(const Response& response);
    void receive(const std::string& bytes);
    void finish(HRESULT result);
    void notifyData(DWORD flags);
    // The binding's cache file, made (and its name told) on first use; false when it cannot be.
    bool cacheFileReady();
    void stop(HRESULT result);

    std::wstring url_;
    IBindStatusCallback* callback_;
    IHttpNegotiate* negotiate_ = nullptr;  // borrowed from the callback while it is held
    std::shared_ptr<Channel> channel_;
    HWND window_ = nullptr;
    DataStream* stream_ = nullptr;
    platform::UrlRequest request_;
    std::string responseHeaders_;
    DWORD received_ = 0;
    int redirects_ = 0;
    bool needFile_ = false;
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
        needFile_ = (flags & BINDF_NEEDFILE) != 0;
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
    request_ = request();
    currentProvider()(request_, channel_);
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
    if (const auto* response = std::get_if<Response>(&event))
        respond(*response);
    else if (const auto* data = std::get_if<Data>(&event))
        receive(data->bytes);
    else if (const auto* finished = std::get_if<Finish>(&event))
        finish(finished->result);
}

void UrlBinding::respond(const Response& response) {
    if (redirect(response)) return;
    responseHeaders_ = response.headers;
    if (!negotiate_) return;
    LPWSTR added = nullptr;
    const HRESULT result =
        negotiate_->OnResponse(DWORD(response.status), platform::utf8ToWideText(response.headers).c_str(),
                               platform::utf8ToWideText(request_.headers).c_str(), &added);
    CoTaskMemFree(added);
    if (result < 0) stop(E_ABORT);
}

bool UrlBinding::redirect(const Response& response) {
    const int status = response.status;
    if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308) return false;
    const auto location = platform::httpHeaderValue(response.headers, "Location");
    if (!location || location->empty()) return false;
    if (++redirects_ > kMostRedirects) {
        stop(INET_E_REDIRECT_FAILED);
        return true;
    }
    url_ = platform::resolveUrl(url_, platform::utf8ToWideText(*location));
    callback_->OnProgress(0, 0, BINDSTATUS_REDIRECTING, url_.c_str());
    if (stopped_) return true;  // the callback aborted meanwhile
    // The first answer is done with: nothing more of it is wanted.
    channel_->close();
    request_.url = url_;
    if (status == 303 || ((status == 301 || status == 302) && request_.verb == "POST")) {
        request_.verb = "GET";
        request_.body.clear();
    }
    channel_ = std::make_shared<Channel>(window_);
    currentProvider()(request_, channel_);
    return true;
}

void UrlBinding::receive(const std::string& bytes) {
    if (bytes.empty()) return;
    if (needFile_ && (!cacheFileReady() || !stream_->cacheFile()->append(bytes))) {
        stop(INET_E_DOWNLOAD_FAILURE);
        return;
    }
    stream_->append(bytes);
    received_ += static_cast<DWORD>(bytes.size());
    notifyData(firstData_ ? BSCF_FIRSTDATANOTIFICATION : BSCF_INTERMEDIATEDATANOTIFICATION);
}

void UrlBinding::finish(HRESULT result) {
    if (result >= 0 && needFile_ && (!cacheFileReady() || !stream_->cacheFile()->finish()))
        result = INET_E_DOWNLOAD_FAILURE;
    if (result >= 0) {
        stream_->end();
        notifyData((firstData_ ? BSCF_FIRSTDATANOTIFICATION : 0) | BSCF_LASTDATANOTIFICATION);
    }
    stop(result);
}

void UrlBinding::notifyData(DWORD flags) {
    firstData_ = false;
    FORMATETC format{};
    STGMEDIUM medium{};
    medium.tymed = TYMED_ISTREAM;
    medium.pstm = stream_;
    if (callback_->OnDataAvailable(flags, received_, &format, &medium) < 0) stop(E_ABORT);
}

bool UrlBinding::cacheFileReady() {
    if (stream_->cacheFile()) return true;
    auto file = platform::UrlCacheFile::create(url_);
    if (!file) return false;
    const std::wstring name = file->windowsPath();
    stream_->keepCacheFile(std::move(file));
    callback_->OnProgress(0, 0, BINDSTATUS_CACHEFILENAMEAVAILABLE, name.c_str());
    return !stopped_;
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
