#include "tests/support/npapi_browser/http_fetch.h"

#include "platform/net/unique_descriptor.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>

#include <cerrno>
#include <charconv>
#include <cstring>

namespace test_support {

namespace {

constexpr size_t kLargestResponse = 64u << 20;

std::string trimmed(std::string_view text) {
    const size_t start = text.find_first_not_of(" \t\r");
    if (start == std::string_view::npos) return {};
    const size_t end = text.find_last_not_of(" \t\r");
    return std::string(text.substr(start, end - start + 1));
}

bool sendAll(int socket, std::string_view data) {
    while (!data.empty()) {
        const ssize_t sent = ::send(socket, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data.remove_prefix(static_cast<size_t>(sent));
    }
    return true;
}

std::string requestText(const HttpRequest& request) {
    std::string text = request.method + " " + request.path + " HTTP/1.0\r\n";
    text += "Host: " + request.host + ":" + std::to_string(request.port) + "\r\n";
    text += "Connection: close\r\n";
    for (const auto& [name, value] : request.headers) {
        if (strcasecmp(name.c_str(), "Content-Length") != 0) text += name + ": " + value + "\r\n";
    }
    if (request.method == "POST" || !request.body.empty())
        text += "Content-Length: " + std::to_string(request.body.size()) + "\r\n";
    return text + "\r\n" + request.body;
}

}  // namespace

std::string HttpResponse::header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (strcasecmp(key.c_str(), name.c_str()) == 0) return value;
    }
    return {};
}

HttpResponse parseHttpResponse(const std::string& text) {
    HttpResponse response;
    size_t headerEnd = text.find("\r\n\r\n");
    size_t bodyStart = headerEnd + 4;
    if (headerEnd == std::string::npos) {
        headerEnd = text.find("\n\n");
        bodyStart = headerEnd + 2;
    }
    if (headerEnd == std::string::npos) {
        response.error = "incomplete HTTP response";
        return response;
    }
    const std::string_view head(text.data(), headerEnd);
    size_t lineStart = 0;
    while (lineStart <= head.size()) {
        size_t lineEnd = head.find('\n', lineStart);
        if (lineEnd == std::string_view::npos) lineEnd = head.size();
        const std::string line = trimmed(head.substr(lineStart, lineEnd - lineStart));
        if (response.statusLine.empty()) {
            response.statusLine = line;
        } else if (const size_t colon = line.find(':'); colon != std::string::npos) {
            response.headers.emplace_back(trimmed(line.substr(0, colon)), trimmed(line.substr(colon + 1)));
        }
        lineStart = lineEnd + 1;
    }
    const size_t space = response.statusLine.find(' ');
    if (response.statusLine.rfind("HTTP/", 0) != 0 || space == std::string::npos) {
        response.error = "not an HTTP response";
        return response;
    }
    const char* code = response.statusLine.c_str() + space + 1;
    const auto [ptr, error] = std::from_chars(code, code + 3, response.status);
    if (error != std::errc() || ptr != code + 3 || response.status < 100) {
        response.error = "bad HTTP status line";
        return response;
    }
    response.body = text.substr(bodyStart);
    if (strcasecmp(response.header("Transfer-Encoding").c_str(), "chunked") == 0) {
        response.error = "chunked HTTP responses are not supported";
        return response;
    }
    const std::string length = response.header("Content-Length");
    if (!length.empty()) {
        size_t expected = 0;
        const auto [end, lengthError] = std::from_chars(length.data(), length.data() + length.size(), expected);
        if (lengthError != std::errc() || end != length.data() + length.size()) {
            response.error = "bad Content-Length";
        } else if (response.body.size() < expected) {
            response.error = "connection closed before the whole body came";
        } else {
            response.body.resize(expected);
        }
    }
    return response;
}

HttpFetch::HttpFetch(HttpRequest request, Done done)
    : thread_([this, request = std::move(request), done = std::move(done)] { run(request, done); }) {}

HttpFetch::~HttpFetch() {
    {
        std::lock_guard<std::mutex> lock(lock_);
        cancelled_ = true;
        if (socket_ >= 0) ::shutdown(socket_, SHUT_RDWR);
    }
    thread_.join();
}

void HttpFetch::run(const HttpRequest& request, const Done& done) {
    HttpResponse response = exchange(request);
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (cancelled_) return;
    }
    done(std::move(response));
}

int HttpFetch::connectTo(const HttpRequest& request, HttpResponse& response) {
    const bool v6 = request.host == "[::1]";
    platform::detail::UniqueDescriptor socket(::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket) {
        response.error = std::string("socket: ") + std::strerror(errno);
        return -1;
    }
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (cancelled_) return -1;
        socket_ = socket.get();
    }
    int result = -1;
    if (v6) {
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_port = htons(request.port);
        address.sin6_addr = in6addr_loopback;
        result = ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    } else {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(request.port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        result = ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    }
    if (result != 0) {
        response.error = std::string("connect: ") + std::strerror(errno);
        std::lock_guard<std::mutex> lock(lock_);
        socket_ = -1;  // before the descriptor closes, so that a cancel cannot reach a reused one
        return -1;
    }
    return socket.release();
}

HttpResponse HttpFetch::exchange(const HttpRequest& request) {
    HttpResponse response;
    platform::detail::UniqueDescriptor socket(connectTo(request, response));
    if (!socket) {
        if (response.error.empty()) response.error = "cancelled";
        return response;
    }
    std::string text;
    bool ok = sendAll(socket.get(), requestText(request));
    char buffer[16384];
    while (ok) {
        const ssize_t got = ::recv(socket.get(), buffer, sizeof(buffer), 0);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) ok = false;
        if (got <= 0) break;
        text.append(buffer, static_cast<size_t>(got));
        if (text.size() > kLargestResponse) {
            response.error = "HTTP response larger than 64 MiB";
            break;
        }
    }
    {
        std::lock_guard<std::mutex> lock(lock_);
        socket_ = -1;
    }
    if (!response.error.empty()) return response;
    if (!ok) {
        response.error = "connection failed";
        return response;
    }
    return parseHttpResponse(text);
}

}  // namespace test_support
