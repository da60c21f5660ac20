// The process's URL provider: what actually fetches a URL for the URL monikers. The default one
// serves local files (file: URLs); tests and tools replace it (a loopback HTTP server, files). A
// provider gets each request with a transfer through which it answers, from any thread: the
// response (status and header block), the data in pieces, and the end. The transfer tells it when
// the binding was aborted; it must end every transfer it took, exactly once.
#pragma once

#include "platform/base/win_types.h"

#include <functional>
#include <memory>
#include <string>

namespace platform {

struct UrlRequest {
    std::wstring url;
    std::string verb;     // "GET" or "POST"
    std::string headers;  // the lines the caller added, each ending in "\r\n"
    std::string body;     // the POST data, by length
};

class UrlTransfer {
public:
    virtual ~UrlTransfer() = default;
    // `headers` is the response's header block, status line first, lines ending in "\r\n".
    // False once the binding is aborted (nothing more is wanted).
    virtual bool respond(int status, const std::string& headers) = 0;
    virtual bool deliver(const char* data, size_t size) = 0;
    // S_OK for a transfer that went through, a failure code otherwise.
    virtual void finish(HRESULT result) = 0;
    virtual bool aborted() const = 0;
    // Anything the provider's work needs kept (a connection, a thread): released on the binding's
    // thread once the transfer has ended there.
    virtual void keep(std::shared_ptr<void> work) = 0;
};

using UrlProvider = std::function<void(const UrlRequest&, const std::shared_ptr<UrlTransfer>&)>;

// Serves file: URLs (and local paths) whole: 200 with Content-Length, or 404.
void serveLocalFile(const UrlRequest& request, const std::shared_ptr<UrlTransfer>& transfer);

}  // namespace platform

namespace platform::testing {

// Replaces the provider for the whole process; an empty function restores the default.
void setUrlProvider(UrlProvider provider);

}  // namespace platform::testing
