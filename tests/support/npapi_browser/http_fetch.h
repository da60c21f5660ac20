// A tiny HTTP/1.0 client for the stand-in browser's loopback streams: one request on a thread of
// its own, the whole response read (at most 64 MiB) and handed to a callback on that thread. The
// owner may drop the fetch at any time: the destructor wakes a blocked read and joins the thread.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace test_support {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
    std::string method = "GET";
    std::string host;
    uint16_t port = 80;
    std::string path = "/";
    HttpHeaders headers;  // besides Host, Connection and Content-Length, which the client writes
    std::string body;
};

struct HttpResponse {
    std::string error;  // empty when a complete response came
    int status = 0;
    std::string statusLine;
    HttpHeaders headers;
    std::string body;

    // The first header of that name (compared without regard to case), empty when none.
    std::string header(const std::string& name) const;
};

class HttpFetch {
public:
    using Done = std::function<void(HttpResponse)>;

    HttpFetch(HttpRequest request, Done done);
    ~HttpFetch();
    HttpFetch(const HttpFetch&) = delete;
    HttpFetch& operator=(const HttpFetch&) = delete;

private:
    void run(const HttpRequest& request, const Done& done);
    HttpResponse exchange(const HttpRequest& request);
    // The connected socket, or -1 with the error set; the socket is registered for cancelling.
    int connectTo(const HttpRequest& request, HttpResponse& response);

    std::mutex lock_;
    int socket_ = -1;  // guarded by lock_
    bool cancelled_ = false;
    std::thread thread_;
};

// Splits the text of a whole response into status, headers and body.
HttpResponse parseHttpResponse(const std::string& text);

}  // namespace test_support
