// Browser streams end to end: a plug-in module built on the binding (the stream probe) loaded into
// the stand-in browser, which serves its requests from local files and from a loopback HTTP
// server, and delivers them through the NPP stream callbacks.
#include "tests/support/npapi_browser/stand_in_browser.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Answers one HTTP request on loopback and keeps what it was sent.
class OneRequestServer {
public:
    OneRequestServer() {
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        listen(m_listener, 1);
        socklen_t length = sizeof(address);
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~OneRequestServer() {
        m_stop = true;
        m_thread.join();
        close(m_listener);
    }

    int port() const { return m_port; }
    std::string request() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_request;
    }

private:
    void serve() {
        pollfd waiting{m_listener, POLLIN, 0};
        while (!m_stop && poll(&waiting, 1, 20) == 0) {}
        if (m_stop) return;
        const int connection = accept(m_listener, nullptr, nullptr);
        std::string received;
        char buffer[4096];
        // The headers, then as many body bytes as they announce.
        for (;;) {
            const size_t end = received.find("\r\n\r\n");
            if (end != std::string::npos) {
                const size_t at = received.find("Content-Length: ");
                const size_t body = at == std::string::npos ? 0 : std::stoul(received.substr(at + 16));
                if (received.size() >= end + 4 + body) break;
            }
            const ssize_t n = recv(connection, buffer, sizeof(buffer), 0);
            if (n <= 0) break;
            received.append(buffer, size_t(n));
        }
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_request = received;
        }
        const std::string answer = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 6\r\n\r\nthanks";
        send(connection, answer.data(), answer.size(), MSG_NOSIGNAL);
        close(connection);
    }

    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    std::string m_request;
    std::thread m_thread;
};

class Streams : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / ("npapi-streams-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "data.txt") << "hello stream world";
        test_support::BrowserOptions options;
        options.pluginFile = std::string(std::getenv("VELTRIN_BUILD_DIR")) + "/lib/npStreamProbe.so";
        browser = std::make_unique<test_support::StandInBrowser>(options);
        browser->loadPage(R"(<object id="probe" type="application/x-streamprobe"></object>
<script>var probe = document.getElementById('probe');</script>)",
                          folder);
        ASSERT_EQ(NPERR_NO_ERROR, browser->instanceResult());
    }
    void TearDown() override {
        browser->destroyInstance();
        browser->shutdownPlugin();
        EXPECT_EQ(0u, browser->liveObjectCount());
        EXPECT_EQ(std::vector<std::string>{}, browser->faults());
        browser.reset();
        std::filesystem::remove_all(folder);
    }
    // The probe's log once a stream has completed.
    std::string logOnceCompleted() {
        browser->pumpUntil([&] { return browser->evaluate("probe.log").text.find("body") != std::string::npos; }, 5s);
        return browser->evaluate("probe.log").text;
    }

    std::filesystem::path folder;
    std::unique_ptr<test_support::StandInBrowser> browser;
};

TEST_F(Streams, AFileArrivesInPiecesAfterItsHeadersThenCompletes) {
    ASSERT_EQ("true", browser->evaluate("probe.get('data.txt')").text);
    const std::string log = logOnceCompleted();
    EXPECT_EQ(0u, log.find("created\nopened "));
    const size_t firstData = log.find("data 0 8\n");
    ASSERT_NE(std::string::npos, firstData);
    EXPECT_LT(log.find("headers"), firstData);
    EXPECT_LT(firstData, log.find("data 8 8\n"));
    EXPECT_LT(log.find("data 16 2\n"), log.find("completed ok\nbody hello stream world\n"));
    EXPECT_EQ(std::string::npos, log.find("completed ok", log.find("completed ok") + 1));
}

TEST_F(Streams, AMissingFileCompletesAsAFailure) {
    ASSERT_EQ("true", browser->evaluate("probe.get('missing.txt')").text);
    EXPECT_EQ("created\ncompleted failed\nbody \n", logOnceCompleted());
}

TEST_F(Streams, APostSendsItsBodyExactlyAndReadsTheAnswer) {
    OneRequestServer server;
    const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/form";
    ASSERT_EQ("true", browser->evaluate("probe.post('" + url + "', 'a=b&c=d e')").text);
    const std::string log = logOnceCompleted();
    EXPECT_NE(std::string::npos, log.find("completed ok\nbody thanks\n")) << log;
    const std::string request = server.request();
    EXPECT_EQ(0u, request.find("POST /form HTTP/1.")) << request;
    EXPECT_NE(std::string::npos, request.find("Content-type: application/x-www-form-urlencoded\r\n")) << request;
    EXPECT_NE(std::string::npos, request.find("Content-Length: 9\r\n")) << request;
    EXPECT_EQ("a=b&c=d e", request.substr(request.find("\r\n\r\n") + 4));
}

}  // namespace
