#include "tests/support/npapi_browser/url_streams.h"

#include "tests/support/page_engine/browser_text.h"
#include "tests/support/npapi_browser/page_url.h"

#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>
#include <vector>

namespace test_support {

namespace {

constexpr size_t kLargestFile = 64u << 20;
constexpr size_t kLargestChunk = 64u << 10;
constexpr std::chrono::milliseconds kRetryDelay(10);

std::string mimeTypeOfFile(const std::filesystem::path& file) {
    static const std::pair<const char*, const char*> types[] = {
        {".txt", "text/plain"},     {".html", "text/html"}, {".htm", "text/html"},  {".json", "application/json"},
        {".js", "text/javascript"}, {".xml", "text/xml"},   {".jpg", "image/jpeg"}, {".jpeg", "image/jpeg"},
        {".png", "image/png"},      {".mp4", "video/mp4"},  {".ini", "text/plain"}};
    const std::string extension = asciiLowerCase(file.extension().string());
    for (const auto& [suffix, type] : types) {
        if (extension == suffix) return type;
    }
    return "application/octet-stream";
}

bool isHeaderLine(std::string_view line) {
    const size_t colon = line.find(':');
    if (colon == 0 || colon == std::string_view::npos) return false;
    return std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(colon),
                       [](char c) { return c > ' ' && c < 127; });
}

// A post buffer may start with header lines ended by a blank line; without them it is all body.
void splitPostBuffer(const std::string& buffer, HttpHeaders& headers, std::string& body) {
    const size_t crlf = buffer.find("\r\n\r\n");
    const size_t lf = buffer.find("\n\n");
    const size_t end = std::min(crlf, lf);
    body = buffer;
    if (end == std::string::npos) return;
    HttpHeaders found;
    size_t start = 0;
    while (start < end) {
        size_t lineEnd = std::min(buffer.find('\n', start), end);
        std::string_view line(buffer.data() + start, lineEnd - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!isHeaderLine(line)) return;
        const size_t colon = line.find(':');
        std::string_view value = line.substr(colon + 1);
        while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
        found.emplace_back(std::string(line.substr(0, colon)), std::string(value));
        start = lineEnd + 1;
    }
    headers = std::move(found);
    body = buffer.substr(end + (end == crlf ? 4 : 2));
}

bool readWholeFile(const std::filesystem::path& file, std::string& text) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    if (error || size > kLargestFile || !std::filesystem::is_regular_file(file, error)) return false;
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

struct UrlStreams::Stream {
    enum class Phase { Fetching, Opening, Writing, Ending, Done };

    uint64_t id = 0;
    UrlRequest request;
    UrlTarget target;
    Phase phase = Phase::Opening;
    bool failed = false;  // no data came: only the notification follows
    std::string mimeType;
    std::string headers;
    std::string body;
    uint32_t length = 0;  // what NPStream.end says: the announced length, 0 when unknown
    size_t offset = 0;
    uint16_t type = NP_NORMAL;
    bool opened = false;  // NPP_NewStream accepted it
    NPStream npStream{};
    std::unique_ptr<HttpFetch> fetch;
};

UrlStreams::UrlStreams(BrowserMainThread& mainThread, const NPPluginFuncs& plugin, NPP instance,
                       UrlStreamSettings settings, BrowserFaults& faults)
    : mainThread_(mainThread),
      plugin_(plugin),
      instance_(instance),
      settings_(std::move(settings)),
      faults_(faults),
      timers_([this](int timer) {
          const auto found = retries_.find(timer);
          if (found == retries_.end()) return;
          const uint64_t id = found->second;
          retries_.erase(found);
          step(id);
      }) {}

UrlStreams::~UrlStreams() {
    alive_.reset();
    streams_.clear();
    if (!temporaryFolder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(temporaryFolder_, ignored);
    }
}

UrlStreams::Stream* UrlStreams::find(uint64_t id) {
    const auto found = streams_.find(id);
    return found == streams_.end() ? nullptr : found->second.get();
}

NPError UrlStreams::request(UrlRequest request) {
    UrlTarget target = resolveUrl(request.url, settings_.baseDirectory);
    if (target.kind == UrlTarget::Kind::Refused) return NPERR_INVALID_URL;
    if (request.post && target.kind != UrlTarget::Kind::Http) return NPERR_INVALID_URL;
    auto stream = std::make_unique<Stream>();
    stream->id = nextId_++;
    stream->request = std::move(request);
    stream->target = std::move(target);
    Stream& added = *streams_.emplace(stream->id, std::move(stream)).first->second;
    if (added.target.kind == UrlTarget::Kind::Http) {
        added.phase = Stream::Phase::Fetching;
        startFetch(added);
    } else {
        schedule(added.id);
    }
    return NPERR_NO_ERROR;
}

void UrlStreams::startFetch(Stream& stream) {
    HttpRequest http;
    http.host = stream.target.host;
    http.port = stream.target.port;
    http.path = stream.target.path;
    if (stream.request.post) {
        http.method = "POST";
        std::string buffer = stream.request.postBuffer;
        if (stream.request.postBufferIsFile) {  // the buffer names a file holding what to send
            std::string contents;
            if (!readWholeFile(std::filesystem::path(buffer), contents)) {
                stream.failed = true;
                stream.phase = Stream::Phase::Opening;
                schedule(stream.id);
                return;
            }
            buffer = std::move(contents);
        }
        splitPostBuffer(buffer, http.headers, http.body);
    }
    http.headers.emplace_back("User-Agent", settings_.userAgent);
    const uint64_t id = stream.id;
    std::weak_ptr<int> alive = alive_;
    BrowserMainThread& mainThread = mainThread_;
    stream.fetch = std::make_unique<HttpFetch>(std::move(http), [this, id, alive, &mainThread](HttpResponse response) {
        auto shared = std::make_shared<HttpResponse>(std::move(response));
        mainThread.post([this, id, alive, shared] {
            if (!alive.lock()) return;
            Stream* fetched = find(id);
            if (!fetched || fetched->phase != Stream::Phase::Fetching) return;
            fetched->phase = Stream::Phase::Opening;
            if (!shared->error.empty() || shared->status >= 300) {
                fetched->failed = true;
            } else {
                const std::string type = shared->header("Content-Type");
                fetched->mimeType =
                    type.empty() ? "application/octet-stream" : asciiLowerCase(type.substr(0, type.find(';')));
                fetched->headers = shared->statusLine + "\n";
                for (const auto& [name, value] : shared->headers) fetched->headers += name + ": " + value + "\n";
                const std::string length = shared->header("Content-Length");
                fetched->length = length.empty() ? 0 : static_cast<uint32_t>(shared->body.size());
                fetched->body = std::move(shared->body);
            }
            step(id);
        });
    });
}

bool UrlStreams::readFileBody(Stream& stream) {
    if (!readWholeFile(stream.target.file, stream.body)) return false;
    stream.mimeType = mimeTypeOfFile(stream.target.file);
    stream.length = static_cast<uint32_t>(stream.body.size());
    return true;
}

void UrlStreams::schedule(uint64_t id) {
    std::weak_ptr<int> alive = alive_;
    mainThread_.post([this, id, alive] {
        if (alive.lock()) step(id);
    });
}

void UrlStreams::retryLater(uint64_t id) { retries_[timers_.add(kRetryDelay)] = id; }

void UrlStreams::step(uint64_t id) {
    Stream* stream = find(id);
    if (!stream) return;
    switch (stream->phase) {
        case Stream::Phase::Opening:
            open(*stream);
            break;
        case Stream::Phase::Writing:
            write(*stream);
            break;
        case Stream::Phase::Ending:
            finishDelivery(*stream);
            break;
        case Stream::Phase::Fetching:
        case Stream::Phase::Done:
            break;
    }
}

void UrlStreams::open(Stream& stream) {
    if (!stream.failed && stream.target.kind == UrlTarget::Kind::File) stream.failed = !readFileBody(stream);
    if (stream.failed || !plugin_.newstream) {
        fail(stream);
        return;
    }
    NPStream& np = stream.npStream;
    np.ndata = &stream;
    np.url = stream.request.url.c_str();
    np.end = stream.length;
    np.notifyData = stream.request.notify ? stream.request.notifyData : nullptr;
    np.headers = stream.headers.empty() ? nullptr : stream.headers.c_str();
    uint16_t type = NP_NORMAL;
    const NPError error = plugin_.newstream(instance_, stream.mimeType.data(), &np, false, &type);
    if (stream.phase == Stream::Phase::Done) return;
    if (error != NPERR_NO_ERROR) {
        fail(stream);
        return;
    }
    stream.opened = true;
    stream.type = type;
    if (type != NP_NORMAL && type != NP_ASFILE && type != NP_ASFILEONLY) {  // no stream here is seekable
        end(stream, NPRES_NETWORK_ERR);
        return;
    }
    stream.phase = type == NP_ASFILEONLY ? Stream::Phase::Ending : Stream::Phase::Writing;
    schedule(stream.id);
}

void UrlStreams::write(Stream& stream) {
    if (stream.offset >= stream.body.size()) {
        stream.phase = Stream::Phase::Ending;
        schedule(stream.id);
        return;
    }
    if (!plugin_.writeready || !plugin_.write) {
        end(stream, NPRES_NETWORK_ERR);
        return;
    }
    const int32_t ready = plugin_.writeready(instance_, &stream.npStream);
    if (stream.phase == Stream::Phase::Done) return;
    if (ready <= 0) {
        retryLater(stream.id);
        return;
    }
    const size_t chunk = std::min({static_cast<size_t>(ready), stream.body.size() - stream.offset, kLargestChunk});
    const int32_t written = plugin_.write(instance_, &stream.npStream, static_cast<int32_t>(stream.offset),
                                          static_cast<int32_t>(chunk), stream.body.data() + stream.offset);
    if (stream.phase == Stream::Phase::Done) return;
    if (written < 0) {
        end(stream, NPRES_NETWORK_ERR);
        return;
    }
    stream.offset += std::min(static_cast<size_t>(written), chunk);
    if (written == 0)
        retryLater(stream.id);
    else
        schedule(stream.id);
}

void UrlStreams::finishDelivery(Stream& stream) {
    if ((stream.type == NP_ASFILE || stream.type == NP_ASFILEONLY) && plugin_.asfile) {
        const std::filesystem::path file =
            stream.target.kind == UrlTarget::Kind::File ? stream.target.file : bodyFile(stream);
        plugin_.asfile(instance_, &stream.npStream, file.empty() ? nullptr : file.c_str());
        if (stream.phase == Stream::Phase::Done) return;
    }
    end(stream, NPRES_DONE);
}

std::filesystem::path UrlStreams::bodyFile(Stream& stream) {
    if (temporaryFolder_.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "standin-browser-XXXXXX").string();
        if (!mkdtemp(pattern.data())) return {};
        temporaryFolder_ = pattern;
    }
    const std::filesystem::path file = temporaryFolder_ / ("stream-" + std::to_string(stream.id));
    std::ofstream out(file, std::ios::binary);
    out.write(stream.body.data(), static_cast<std::streamsize>(stream.body.size()));
    return out ? file : std::filesystem::path();
}

void UrlStreams::fail(Stream& stream) { end(stream, NPRES_NETWORK_ERR); }

void UrlStreams::end(Stream& stream, NPReason reason) {
    stream.phase = Stream::Phase::Done;
    if (stream.opened && plugin_.destroystream) plugin_.destroystream(instance_, &stream.npStream, reason);
    if (stream.request.notify && plugin_.urlnotify)
        plugin_.urlnotify(instance_, stream.request.url.c_str(), reason, stream.request.notifyData);
    // The record may be in use further up the stack (the plug-in ended its stream inside a
    // callback): it goes in a later step.
    std::weak_ptr<int> alive = alive_;
    const uint64_t id = stream.id;
    mainThread_.post([this, id, alive] {
        if (alive.lock()) streams_.erase(id);
    });
}

NPError UrlStreams::destroyStream(NPStream* np, NPReason reason) {
    for (auto& [id, stream] : streams_) {
        if (&stream->npStream != np) continue;
        if (stream->phase == Stream::Phase::Done || !stream->opened) return NPERR_GENERIC_ERROR;
        end(*stream, reason);
        return NPERR_NO_ERROR;
    }
    faults_.record("NPN_DestroyStream on a stream the browser does not know");
    return NPERR_GENERIC_ERROR;
}

void UrlStreams::stopAll() {
    std::vector<Stream*> underWay;
    for (auto& [id, stream] : streams_) {
        if (stream->phase != Stream::Phase::Done) underWay.push_back(stream.get());
    }
    for (Stream* stream : underWay) end(*stream, NPRES_USER_BREAK);
    streams_.clear();
}

}  // namespace test_support
