// The browser's URL streams against a recording plug-in table: files and loopback HTTP delivered
// in the chunks the plug-in accepts, failures notified, POST bodies sent exactly, a stream the
// plug-in ends inside a callback left alone afterwards.
#include "tests/support/page_engine/browser_main_thread.h"
#include "tests/support/npapi_browser/loopback_http_server.h"
#include "tests/support/npapi_browser/url_streams.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

using test_support::BrowserFaults;
using test_support::BrowserMainThread;
using test_support::LoopbackHttpServer;
using test_support::UrlRequest;
using test_support::UrlStreams;

namespace {

// What the recording plug-in heard, in order; touched on the browser's main thread only.
std::vector<std::string> heard;
int32_t writeReadyAnswer = 4;
UrlStreams* endInsideWrite = nullptr;  // when set, the first NPP_Write ends its stream

NPError newStream(NPP, NPMIMEType type, NPStream* stream, NPBool, uint16_t* streamType) {
    heard.push_back(std::string("new ") + type + " " + std::to_string(stream->end) + " " +
                    (stream->headers ? stream->headers : "(no headers)"));
    *streamType = NP_NORMAL;
    return NPERR_NO_ERROR;
}
int32_t writeReady(NPP, NPStream*) { return writeReadyAnswer; }
int32_t write(NPP, NPStream* stream, int32_t offset, int32_t length, void* buffer) {
    heard.push_back("write " + std::to_string(offset) + " " + std::string(static_cast<char*>(buffer), length));
    if (endInsideWrite) endInsideWrite->destroyStream(stream, NPRES_USER_BREAK);
    return length;
}
NPError destroyStream(NPP, NPStream*, NPReason reason) {
    heard.push_back("destroy " + std::to_string(reason));
    return NPERR_NO_ERROR;
}
void urlNotify(NPP, const char* url, NPReason reason, void* notifyData) {
    heard.push_back("notify " + std::to_string(reason) + " " + url + " " + static_cast<const char*>(notifyData));
}

class StandInBrowserStreams : public ::testing::Test {
protected:
    void SetUp() override {
        heard.clear();
        writeReadyAnswer = 4;
        endInsideWrite = nullptr;
        plugin_.newstream = newStream;
        plugin_.writeready = writeReady;
        plugin_.write = write;
        plugin_.destroystream = destroyStream;
        plugin_.urlnotify = urlNotify;
        folder_ = std::filesystem::temp_directory_path() / ("browser-streams-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        std::ofstream(folder_ / "data.txt") << "0123456789";
        main_.run([this] {
            streams_ = std::make_unique<UrlStreams>(main_, plugin_, &npp_,
                                                    test_support::UrlStreamSettings{folder_, "probe agent"}, faults_);
        });
    }
    void TearDown() override {
        main_.run([this] { streams_.reset(); });
        std::filesystem::remove_all(folder_);
        EXPECT_TRUE(faults_.all().empty());
    }

    // The request's answer; nothing reaches the plug-in inside the request itself.
    NPError request(const std::string& url, const std::string& post = {}) {
        return main_.run([&] {
            UrlRequest request;
            request.url = url;
            request.post = !post.empty();
            request.postBuffer = post;
            request.notify = true;
            request.notifyData = const_cast<char*>("data");
            const size_t before = heard.size();
            const NPError answer = streams_->request(std::move(request));
            EXPECT_EQ(heard.size(), before);
            return answer;
        });
    }

    // Waits until the plug-in has heard the notification (or five seconds have gone).
    std::vector<std::string> heardUntilNotified() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            const bool done = main_.run([] { return !heard.empty() && heard.back().rfind("notify", 0) == 0; });
            if (done) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return main_.run([] { return heard; });
    }

    BrowserFaults faults_;
    BrowserMainThread main_{[this](const std::string& fault) { faults_.record(fault); }, nullptr};
    NPPluginFuncs plugin_{};
    NPP_t npp_{};
    std::filesystem::path folder_;
    std::unique_ptr<UrlStreams> streams_;
};

}  // namespace

TEST_F(StandInBrowserStreams, AFileArrivesInTheChunksThePluginAcceptsThenEndsAndIsNotified) {
    ASSERT_EQ(request("data.txt"), NPERR_NO_ERROR);
    EXPECT_EQ(heardUntilNotified(),
              (std::vector<std::string>{"new text/plain 10 (no headers)", "write 0 0123", "write 4 4567", "write 8 89",
                                        "destroy 0", "notify 0 data.txt data"}));
}

TEST_F(StandInBrowserStreams, ARequestThatFailsBeforeAnyDataIsOnlyNotified) {
    LoopbackHttpServer server;
    EXPECT_EQ(request("ftp://127.0.0.1/x"), NPERR_INVALID_URL);
    EXPECT_EQ(request("http://example.com/x"), NPERR_INVALID_URL);  // tests stay on loopback
    ASSERT_EQ(request("missing.txt"), NPERR_NO_ERROR);
    EXPECT_EQ(heardUntilNotified(), (std::vector<std::string>{"notify 1 missing.txt data"}));
    main_.run([] { heard.clear(); });
    ASSERT_EQ(request(server.url("/absent")), NPERR_NO_ERROR);
    EXPECT_EQ(heardUntilNotified(), (std::vector<std::string>{"notify 1 " + server.url("/absent") + " data"}));
}

TEST_F(StandInBrowserStreams, APostSendsItsHeadersAndExactBodyAndTheResponseArrivesWithItsHeaders) {
    LoopbackHttpServer server;
    server.respond("/upload", {200, "OK", {{"Content-Type", "text/plain; charset=utf-8"}}, "done"});
    writeReadyAnswer = 100;
    const std::string block = "Content-type: application/x-www-form-urlencoded\nContent-Length: 3\n\na=b";
    ASSERT_EQ(request(server.url("/upload"), block), NPERR_NO_ERROR);
    EXPECT_EQ(heardUntilNotified(),
              (std::vector<std::string>{
                  "new text/plain 4 HTTP/1.0 200 OK\nContent-Type: text/plain; charset=utf-8\nContent-Length: 4\n"
                  "Connection: close\n",
                  "write 0 done", "destroy 0", "notify 0 " + server.url("/upload") + " data"}));
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, "a=b");
    bool typed = false;
    for (const auto& [name, value] : requests[0].headers)
        typed |= name == "Content-type" && value == "application/x-www-form-urlencoded";
    EXPECT_TRUE(typed);
}

TEST_F(StandInBrowserStreams, AStreamThePluginEndsInsideACallbackGetsNothingMore) {
    main_.run([this] { endInsideWrite = streams_.get(); });
    ASSERT_EQ(request("data.txt"), NPERR_NO_ERROR);
    EXPECT_EQ(heardUntilNotified(), (std::vector<std::string>{"new text/plain 10 (no headers)", "write 0 0123",
                                                              "destroy 2", "notify 2 data.txt data"}));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(main_.run([] { return heard.size(); }), 4u);
}
