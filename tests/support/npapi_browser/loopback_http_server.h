// An HTTP server on the loopback interface for the tests of streams: it answers each request with
// the response set for its path (404 for any other), one connection at a time on a thread of its
// own, and keeps every request it read. Stops and joins its thread with the object.
#pragma once

#include "tests/support/npapi_browser/http_fetch.h"

#include "platform/net/unique_descriptor.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace test_support {

class LoopbackHttpServer {
public:
    struct Response {
        int status = 200;
        std::string reason = "OK";
        HttpHeaders headers;  // besides Content-Length and Connection, which the server writes
        std::string body;
    };
    struct Request {
        std::string method;
        std::string path;
        HttpHeaders headers;
        std::string body;
    };

    // Listens on 127.0.0.1 at a free port; throws std::runtime_error when it cannot.
    LoopbackHttpServer();
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    uint16_t port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by the path.
    std::string url(const std::string& path) const;
    void respond(const std::string& path, Response response);
    std::vector<Request> requests() const;

private:
    void serve();
    void serveConnection(int connection);

    platform::detail::UniqueDescriptor listener_;
    uint16_t port_ = 0;
    mutable std::mutex lock_;
    std::map<std::string, Response> responses_;
    std::vector<Request> requests_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace test_support
