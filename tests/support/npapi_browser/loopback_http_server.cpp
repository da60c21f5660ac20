#include "tests/support/npapi_browser/loopback_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>

#include <charconv>
#include <stdexcept>

namespace test_support {

namespace {

constexpr int kPollMilliseconds = 20;
constexpr size_t kLargestHead = 1u << 20;
constexpr size_t kLargestBody = 64u << 20;

bool readable(int socket, int milliseconds) {
    pollfd entry{socket, POLLIN, 0};
    return ::poll(&entry, 1, milliseconds) > 0;
}

void sendAll(int socket, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t done = ::send(socket, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (done <= 0) return;
        sent += static_cast<size_t>(done);
    }
}

// Reads until the text holds at least `size` bytes; false when the peer stops sending first.
bool readUntil(int socket, std::string& text, size_t size) {
    char buffer[16384];
    while (text.size() < size) {
        if (!readable(socket, 5000)) return false;
        const ssize_t got = ::recv(socket, buffer, sizeof(buffer), 0);
        if (got <= 0) return false;
        text.append(buffer, static_cast<size_t>(got));
    }
    return true;
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer() : listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(address);
    if (!listener_ || ::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener_.get(), 16) != 0 ||
        ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0)
        throw std::runtime_error("loopback HTTP server cannot listen");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    stopping_ = true;
    thread_.join();
}

std::string LoopbackHttpServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LoopbackHttpServer::respond(const std::string& path, Response response) {
    std::lock_guard<std::mutex> lock(lock_);
    responses_[path] = std::move(response);
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::requests() const {
    std::lock_guard<std::mutex> lock(lock_);
    return requests_;
}

void LoopbackHttpServer::serve() {
    while (!stopping_) {
        if (!readable(listener_.get(), kPollMilliseconds)) continue;
        platform::detail::UniqueDescriptor connection(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (connection) serveConnection(connection.get());
    }
}

void LoopbackHttpServer::serveConnection(int connection) {
    std::string text;
    size_t headEnd = std::string::npos;
    while (headEnd == std::string::npos) {
        if (text.size() > kLargestHead || !readUntil(connection, text, text.size() + 1)) return;
        headEnd = text.find("\r\n\r\n");
    }
    Request request;
    const size_t lineEnd = text.find("\r\n");
    // The header lines read like a response's once a status line stands before them.
    const HttpResponse head =
        parseHttpResponse("HTTP/1.0 200 OK\r\n" + text.substr(lineEnd + 2, headEnd + 2 - lineEnd));
    request.headers = head.headers;
    const std::string startLine = text.substr(0, lineEnd);
    request.method = startLine.substr(0, startLine.find(' '));
    const size_t pathStart = startLine.find(' ') + 1;
    request.path = startLine.substr(pathStart, startLine.find(' ', pathStart) - pathStart);
    size_t length = 0;
    const std::string lengthText = head.header("Content-Length");
    std::from_chars(lengthText.data(), lengthText.data() + lengthText.size(), length);
    if (length > kLargestBody || !readUntil(connection, text, headEnd + 4 + length)) return;
    request.body = text.substr(headEnd + 4, length);

    Response response;
    response.status = 404;
    response.reason = "Not Found";
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (const auto found = responses_.find(request.path); found != responses_.end()) response = found->second;
        requests_.push_back(std::move(request));
    }
    std::string reply = "HTTP/1.0 " + std::to_string(response.status) + " " + response.reason + "\r\n";
    for (const auto& [name, value] : response.headers) reply += name + ": " + value + "\r\n";
    reply += "Content-Length: " + std::to_string(response.body.size()) + "\r\nConnection: close\r\n\r\n";
    sendAll(connection, reply + response.body);
}

}  // namespace test_support
