// Downloads through the URL monikers, as the plug-in asks the ActiveX host for them: a whole
// resource (200), byte ranges (206, placed by Content-Range), a missing one (404), a POST, a
// transfer cancelled midway, the request headers exactly, redirects followed, cached streams
// delivered into a cache file that goes with the transfer, and nothing left behind once done.
// The test's thread is the browser's main thread, whose pump carries the monikers' notifications.
#include "activex/activex_browser_host.h"
#include "activex/activex_stream.h"
#include "host/events/lifecycle_events.h"
#include "host/events/stream_events.h"
#include "platform/files/path_mapping.h"
#include "tests/activex/support/http_url_provider.h"
#include "tests/support/host/event_recorder.h"
#include "tests/support/npapi_browser/loopback_http_server.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <unistd.h>

namespace {

using FB::ActiveX::ActiveXBrowserHost;
using FB::ActiveX::ActiveXStream;
using test_support::LoopbackHttpServer;

// What a plug-in's stream sink hears: the events in order, and the data placed by offset.
class StreamLog : public test_support::EventRecorder {
public:
    bool handleEvent(FB::PluginEvent* event, FB::PluginEventSource* source) override {
        if (auto* data = dynamic_cast<FB::StreamDataArrivedEvent*>(event)) {
            const auto* bytes = static_cast<const char*>(data->data);
            if (received.size() < data->offset + data->length) received.resize(data->offset + data->length, '.');
            received.replace(data->offset, data->length, bytes, data->length);
            offsets.push_back(data->offset);
            progress.push_back(data->progress);
            return false;
        }
        if (dynamic_cast<FB::StreamFailedOpenEvent*>(event)) {
            log.push_back("failed open");
            return false;
        }
        if (dynamic_cast<FB::AttachedEvent*>(event)) return false;  // being added as an observer
        if (dynamic_cast<FB::StreamCompletedEvent*>(event)) readCacheFile(dynamic_cast<FB::BrowserStream*>(source));
        return EventRecorder::handleEvent(event, source);
    }
    // Where the cache file is, on this machine, and what it held when the plug-in heard the end.
    void readCacheFile(FB::BrowserStream* stream) {
        if (!stream || stream->getCacheFilename().empty()) return;
        cacheFile = platform::hostPath(stream->getCacheFilename());
        std::ifstream file(cacheFile, std::ios::binary);
        cached.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    bool ended() const { return !log.empty() && log.back().rfind("completed", 0) == 0; }

    std::string received;
    std::vector<uint32_t> offsets;
    std::vector<float> progress;
    std::filesystem::path cacheFile;
    std::string cached;
};

class ActiveXStreams : public ::testing::Test {
protected:
    void TearDown() override {
        host->shutdown();
        host.reset();
        pumpFor(std::chrono::milliseconds(20));
    }

    static void pumpFor(std::chrono::milliseconds time) {
        const auto end = std::chrono::steady_clock::now() + time;
        do {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        } while (std::chrono::steady_clock::now() < end);
    }
    static bool pumpUntil(const std::function<bool()>& condition) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > end) return false;
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

    test_support::ScopedMachineFolders folders;  // the cache folder is on its drive
    activex_test::ScopedHttpUrlProvider provider;
    LoopbackHttpServer server;
    std::shared_ptr<ActiveXBrowserHost> host = std::make_shared<ActiveXBrowserHost>(nullptr, nullptr);
    std::shared_ptr<StreamLog> sink = std::make_shared<StreamLog>();
};

std::string body(size_t size) {
    std::string text(size, '\0');
    for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + i % 26);
    return text;
}

TEST_F(ActiveXStreams, AWholeResourceArrivesWithItsLengthTypeAndTheHeadersAsked) {
    server.respond("/file", {200, "OK", {{"Content-Type", "text/plain"}}, body(1000)});
    auto stream = host->openStream(server.url("/file"), sink, false, false, 0);
    ASSERT_TRUE(stream);
    ASSERT_TRUE(pumpUntil([&] { return sink->ended(); }));
    EXPECT_EQ((std::vector<std::string>{"created", "opened", "completed ok"}), sink->log);
    EXPECT_EQ(body(1000), sink->received);
    EXPECT_EQ(1000u, stream->getLength());
    EXPECT_EQ("text/plain", stream->getMimeType());
    EXPECT_NE(std::string::npos, stream->getHeaders().find("Content-Type: text/plain"));
    EXPECT_TRUE(stream->isCompleted());
    const auto requests = server.requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("GET", requests[0].method);
    EXPECT_EQ((test_support::HttpHeaders{{"Host", "127.0.0.1:" + std::to_string(server.port())},
                                         {"Connection", "close"},
                                         {"Accept-Encoding", "identity"}}),
              requests[0].headers);
}

// The whole-resource request stays open (its server takes ranges) while ranges are asked; the
// range requests go to the loopback server, which answers 206.
// A cached stream has its data delivered into a cache file as well, complete when the plug-in
// hears the end and gone once the transfer is; a redirect is followed to the same resource.
TEST_F(ActiveXStreams, RedirectedAndCachedDownloadsDeliverTheSameBytes) {
    struct Case {
        const char* path;
        bool cached;
        size_t requests;
    };
    server.respond("/file", {200, "OK", {{"Content-Type", "video/mp4"}}, body(70000)});
    server.respond("/moved", {302, "Found", {{"Location", "/file"}}, "elsewhere"});
    for (const Case& test : {Case{"/file", false, 1}, Case{"/file", true, 1}, Case{"/moved", false, 2},
                             Case{"/moved", true, 2}}) {
        SCOPED_TRACE(std::string(test.path) + (test.cached ? " cached" : ""));
        const size_t before = server.requests().size();
        auto log = std::make_shared<StreamLog>();
        auto stream = host->openStream(server.url(test.path), log, test.cached, false, 0);
        ASSERT_TRUE(stream);
        ASSERT_TRUE(pumpUntil([&] { return log->ended(); }));
        EXPECT_EQ((std::vector<std::string>{"created", "opened", "completed ok"}), log->log);
        EXPECT_EQ(body(70000), log->received);
        EXPECT_EQ("video/mp4", stream->getMimeType());
        EXPECT_EQ(test.requests, server.requests().size() - before);
        EXPECT_EQ("/file", server.requests().back().path);
        EXPECT_EQ(test.cached, !log->cacheFile.empty());
        EXPECT_EQ(test.cached ? body(70000) : "", log->cached);
        pumpFor(std::chrono::milliseconds(20));
        EXPECT_FALSE(!log->cacheFile.empty() && std::filesystem::exists(log->cacheFile));
    }
}

// A transfer without an HTTP response (a protocol of another kind) never opens the stream: its data
// reaches the plug-in only when a cache file is known.
TEST_F(ActiveXStreams, WithoutAResponseOnlyACachedStreamDeliversItsData) {
    platform::testing::setUrlProvider([](const platform::UrlRequest&, const std::shared_ptr<platform::UrlTransfer>& t) {
        t->deliver("abc", 3);
        t->finish(S_OK);
    });
    for (const bool cached : {true, false}) {
        auto log = std::make_shared<StreamLog>();
        auto stream = host->openStream("other:thing", log, cached, false, 0);
        ASSERT_TRUE(stream);
        ASSERT_TRUE(pumpUntil([&] { return log->ended(); }));
        EXPECT_EQ(cached ? "abc" : "", log->received);
        EXPECT_EQ((std::vector<std::string>{"created", "completed ok"}), log->log);
    }
}

TEST_F(ActiveXStreams, RangesAreAskedInOneLineAndTheirDataPlacedByContentRange) {
    server.respond("/seek", {206,
                             "Partial Content",
                             {{"Accept-Ranges", "bytes"}, {"Content-Range", "bytes 200-299/1000"}},
                             body(100)});
    std::shared_ptr<platform::UrlTransfer> whole;
    platform::testing::setUrlProvider([&](const platform::UrlRequest& request,
                                          const std::shared_ptr<platform::UrlTransfer>& transfer) {
        if (request.headers.find("Range: ") != std::string::npos) return activex_test::fetchOverHttp(request, transfer);
        whole = transfer;
        transfer->respond(200, "HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nContent-Length: 1000\r\n\r\n");
    });
    auto stream = host->openStream(server.url("/seek"), sink, false, true, 0);
    ASSERT_TRUE(stream);
    EXPECT_TRUE(stream->isOpen());  // a seekable stream is open for ranges from the start
    ASSERT_TRUE(pumpUntil([&] { return stream->isSeekableByServer(); }));
    ASSERT_TRUE(stream->readRanges({{0, 100}, {200, 300}}));
    ASSERT_TRUE(pumpUntil([&] { return !sink->offsets.empty(); }));
    EXPECT_EQ(200u, sink->offsets.front());
    EXPECT_EQ(body(100), sink->received.substr(200));
    const auto requests = server.requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ((test_support::HttpHeaders{{"Host", "127.0.0.1:" + std::to_string(server.port())},
                                         {"Connection", "close"},
                                         {"Accept-Encoding", "identity"},
                                         {"Range", "bytes=0-99,200-299"}}),
              requests[0].headers);
    EXPECT_TRUE(stream->readRanges({}));  // nothing asked, nothing sent
    whole->finish(S_OK);
    ASSERT_TRUE(pumpUntil([&] { return sink->ended(); }));
    EXPECT_EQ("completed ok", sink->log.back());
    EXPECT_EQ(1u, server.requests().size());
}

TEST_F(ActiveXStreams, AMissingResourceFailsToOpenAndCompletesWithFailure) {
    auto stream = host->openStream(server.url("/nothing"), sink, false, false, 0);
    ASSERT_TRUE(stream);
    ASSERT_TRUE(pumpUntil([&] { return sink->ended(); }));
    // The completion of a stream that never opened tells the failure again.
    EXPECT_EQ((std::vector<std::string>{"created", "failed open", "failed open", "completed failed"}), sink->log);
    EXPECT_TRUE(sink->received.empty());
    EXPECT_FALSE(stream->isOpen());
}

TEST_F(ActiveXStreams, ASeekableStreamOnAServerWithoutRangesFails) {
    server.respond("/plain", {200, "OK", {}, body(10)});
    auto stream = host->openStream(server.url("/plain"), sink, false, true, 0);
    ASSERT_TRUE(pumpUntil([&] { return sink->ended(); }));
    EXPECT_EQ("completed failed", sink->log.back());
    EXPECT_TRUE(sink->received.empty());
}

TEST_F(ActiveXStreams, AContentRangeThatDoesNotParsePlacesNoData) {
    server.respond("/odd", {206, "Partial Content", {{"Content-Range", "bytes 300-200/1000"}}, body(100)});
    auto stream = host->openStream(server.url("/odd"), sink, false, false, 0);
    ASSERT_TRUE(pumpUntil([&] { return sink->ended(); }));
    EXPECT_TRUE(sink->offsets.empty());
    EXPECT_EQ("completed failed", sink->log.back());
}

TEST_F(ActiveXStreams, APostSendsItsBodyByLengthAsAForm) {
    server.respond("/form", {200, "OK", {}, "thanks"});
    const std::string post("a=1\0b=2", 7);
    auto stream = host->createPostStream(server.url("/form"), sink, post, false, false, 0);
    ASSERT_TRUE(stream);
    ASSERT_TRUE(pumpUntil([&] { return sink->ended(); }));
    EXPECT_EQ("thanks", sink->received);
    const auto requests = server.requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("POST", requests[0].method);
    EXPECT_EQ(post, requests[0].body);
    EXPECT_EQ((test_support::HttpHeaders{{"Host", "127.0.0.1:" + std::to_string(server.port())},
                                         {"Connection", "close"},
                                         {"Accept-Encoding", "identity"},
                                         {"Content-Type", "application/x-www-form-urlencoded"},
                                         {"Content-Length", "7"}}),
              requests[0].headers);
    size_t written = 0;
    EXPECT_FALSE(stream->write("x", 1, written));  // uploads are not offered
}

// A transfer that never ends by itself: the provider answers and then waits to be aborted.
TEST_F(ActiveXStreams, ClosingStopsATransferMidwayAndNothingIsLeftBehind) {
    std::shared_ptr<platform::UrlTransfer> held;
    platform::testing::setUrlProvider([&](const platform::UrlRequest&, const std::shared_ptr<platform::UrlTransfer>& t) {
        held = t;
        t->respond(200, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n");
        t->deliver("abcd", 4);
    });
    std::weak_ptr<FB::BrowserStream> watched;
    {
        auto stream = host->openStream("http://example.invalid/slow", sink, false, false, 0);
        ASSERT_TRUE(stream);
        watched = stream;
        ASSERT_TRUE(pumpUntil([&] { return sink->received == "abcd"; }));
        EXPECT_EQ(0.4f, sink->progress.front());
        EXPECT_TRUE(stream->close());
        pumpFor(std::chrono::milliseconds(20));
        ASSERT_TRUE(held);
        EXPECT_TRUE(held->aborted());
        EXPECT_FALSE(held->deliver("efgh", 4));
        held->finish(E_ABORT);
        pumpFor(std::chrono::milliseconds(20));
        EXPECT_EQ("abcd", sink->received);
        EXPECT_EQ((std::vector<std::string>{"created", "opened"}), sink->log);
    }
    held.reset();
    host->shutdown();  // lets go of the streams it kept for the plug-in
    EXPECT_TRUE(watched.expired());
}

TEST_F(ActiveXStreams, ALocalFileArrivesWholeAndAMissingOneFails) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("veltrin-stream-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / "clip.bin";
    const std::string content = body(200000);  // more than one piece of the provider
    std::ofstream(file, std::ios::binary) << content;
    auto stream = host->openStream("file://" + file.string(), sink, false, false, 0);
    ASSERT_TRUE(stream);
    ASSERT_TRUE(pumpUntil([&] { return sink->ended(); }));
    EXPECT_EQ("completed ok", sink->log.back());
    EXPECT_EQ(content, sink->received);
    EXPECT_EQ(200000u, stream->getLength());

    auto missing = std::make_shared<StreamLog>();
    auto none = host->openStream("file://" + (folder / "none.bin").string(), missing, false, false, 0);
    ASSERT_TRUE(pumpUntil([&] { return missing->ended(); }));
    EXPECT_EQ("completed failed", missing->log.back());
    std::filesystem::remove_all(folder);
}

TEST_F(ActiveXStreams, AStreamThatNeverOpenedClosesOnceAsFailedThenAsDone) {
    auto stream = std::make_shared<ActiveXStream>("http://example.invalid/", false, false, 0);
    EXPECT_FALSE(stream->close());
    EXPECT_TRUE(stream->close());
    EXPECT_TRUE(stream->close());
}

TEST_F(ActiveXStreams, ProgressIsThePartOfTheKnownLengthReached) {
    auto stream = std::make_shared<ActiveXStream>("http://example.invalid/", false, false, 0);
    stream->addObserver(sink);
    stream->setLength(1000);
    stream->setOpen(true);
    const std::string block(100, 'x');
    stream->signalDataArrived(block.data(), 100, 400);
    ASSERT_EQ(1u, sink->progress.size());
    EXPECT_EQ(50.0f, sink->progress[0]);
    stream->signalDataArrived(block.data(), 0, 500);  // an empty block is no event
    EXPECT_EQ(1u, sink->progress.size());
}

TEST_F(ActiveXStreams, AURLWithoutASchemeGivesNoStream) {
    EXPECT_FALSE(host->openStream("no scheme here", sink, false, false, 0));
    EXPECT_EQ(std::vector<std::string>{"destroyed"}, sink->log);  // made, never started
}

}  // namespace
