// Downloads through the URL monikers, as the plug-in asks the ActiveX host for them, from a URL
// provider that answers from a table and keeps every request: a whole resource, byte ranges placed
// by Content-Range, failures, a POST, a transfer cancelled midway, the request headers exactly,
// redirects followed, cached streams delivered into a cache file that goes with the transfer, local
// files, and nothing left behind once done. The test's thread is the browser's main thread, whose
// pump carries the monikers' notifications.
#include "activex/activex_browser_host.h"
#include "activex/activex_stream.h"
#include "host/events/lifecycle_events.h"
#include "host/events/stream_events.h"
#include "platform/files/path_mapping.h"
#include "platform/net/url_provider.h"
#include "platform/net/urlmon.h"
#include "scripting/utf8_tools.h"
#include "tests/support/host/event_recorder.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

namespace {

using FB::ActiveX::ActiveXBrowserHost;
using FB::ActiveX::ActiveXStream;
using Transfer = std::shared_ptr<platform::UrlTransfer>;

// What a plug-in's stream sink hears: the events in order, and the data placed by offset.
class StreamLog : public test_support::EventRecorder {
public:
    bool handleEvent(FB::PluginEvent* event, FB::PluginEventSource* source) override {
        if (auto* data = dynamic_cast<FB::StreamDataArrivedEvent*>(event)) {
            if (received.size() < data->offset + data->length) received.resize(data->offset + data->length, '.');
            received.replace(data->offset, data->length, static_cast<const char*>(data->data), data->length);
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

struct Response {
    int status;
    std::string headers;  // "Name: value\r\n" lines
    std::string body;
};

std::string body(size_t size) {
    std::string text(size, '\0');
    for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + i % 26);
    return text;
}

class ActiveXStreams : public ::testing::Test {
protected:
    // http://camera.test/<path> is answered from `served` (404 for any other path), file: URLs as
    // the platform serves them; `hold`, when set, takes a request instead.
    void SetUp() override {
        platform::testing::setUrlProvider([this](const platform::UrlRequest& request, const Transfer& transfer) {
            const std::string url = FB::wideToUtf8(request.url);
            if (url.rfind("file:", 0) == 0) return platform::serveLocalFile(request, transfer);
            requests.push_back(request);
            if (hold && hold(request, transfer)) return;
            const auto found = served.find(url.substr(url.find('/', 7)));
            const Response response = found == served.end() ? Response{404, "", "none"} : found->second;
            const std::string length = "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
            transfer->respond(response.status, "HTTP/1.1 " + std::to_string(response.status) + " X\r\n" +
                                                   response.headers + length + "\r\n");
            transfer->deliver(response.body.data(), response.body.size());
            transfer->finish(response.status < 400 ? S_OK : INET_E_RESOURCE_NOT_FOUND);
        });
    }
    void TearDown() override {
        host->shutdown();
        host.reset();
        pumpFor(std::chrono::milliseconds(20));
        platform::testing::setUrlProvider(nullptr);
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
            pumpFor(std::chrono::milliseconds(2));
        }
        return true;
    }
    // Opens the stream and waits for its end.
    FB::BrowserStreamPtr download(const std::string& url, const std::shared_ptr<StreamLog>& log, bool cached = false,
                                  bool seekable = false) {
        auto stream = host->openStream(url, log, cached, seekable, 0);
        EXPECT_TRUE(stream && pumpUntil([&] { return log->ended(); })) << url;
        return stream;
    }

    test_support::ScopedMachineFolders folders;  // the cache folder is on its drive
    std::map<std::string, Response> served;
    std::function<bool(const platform::UrlRequest&, const Transfer&)> hold;
    std::vector<platform::UrlRequest> requests;
    std::shared_ptr<ActiveXBrowserHost> host = std::make_shared<ActiveXBrowserHost>(nullptr, nullptr);
    std::shared_ptr<StreamLog> sink = std::make_shared<StreamLog>();
};

TEST_F(ActiveXStreams, AWholeResourceArrivesWithItsLengthTypeAndTheHeadersAsked) {
    served["/file"] = {200, "Content-Type: text/plain\r\n", body(1000)};
    const auto stream = download("http://camera.test/file", sink);
    EXPECT_EQ((std::vector<std::string>{"created", "opened", "completed ok"}), sink->log);
    EXPECT_EQ(body(1000), sink->received);
    EXPECT_EQ(1000u, stream->getLength());
    EXPECT_EQ("text/plain", stream->getMimeType());
    EXPECT_NE(std::string::npos, stream->getHeaders().find("Content-Type: text/plain"));
    EXPECT_TRUE(stream->isCompleted());
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("GET", requests[0].verb);
    EXPECT_EQ("Accept-Encoding: identity\r\n", requests[0].headers);
}

// A cached stream has its data delivered into a cache file as well, complete when the plug-in hears
// the end and gone once the transfer is; a redirect is followed to the same resource; a local file
// larger than one piece of the platform's reading arrives whole.
TEST_F(ActiveXStreams, RedirectedCachedAndLocalDownloadsDeliverTheSameBytes) {
    served["/file"] = {200, "Content-Type: video/mp4\r\n", body(200000)};
    served["/moved"] = {302, "Location: /file\r\n", "elsewhere"};
    const std::filesystem::path file = folders.driveRoot() / "clip.bin";
    std::ofstream(file, std::ios::binary) << body(200000);
    struct Case {
        std::string url;
        bool cached;
        size_t requests;
    };
    for (const Case& test : {Case{"http://camera.test/file", false, 1}, Case{"http://camera.test/file", true, 1},
                             Case{"http://camera.test/moved", false, 2}, Case{"http://camera.test/moved", true, 2},
                             Case{"file://" + file.string(), false, 0}}) {
        SCOPED_TRACE(test.url + (test.cached ? " cached" : ""));
        const size_t before = requests.size();
        auto log = std::make_shared<StreamLog>();
        const auto stream = download(test.url, log, test.cached);
        EXPECT_EQ((std::vector<std::string>{"created", "opened", "completed ok"}), log->log);
        EXPECT_EQ(body(200000), log->received);
        EXPECT_EQ(200000u, stream->getLength());
        EXPECT_EQ(test.requests, requests.size() - before);
        EXPECT_EQ(test.cached, !log->cacheFile.empty());
        EXPECT_EQ(test.cached ? body(200000) : "", log->cached);
        pumpFor(std::chrono::milliseconds(20));
        EXPECT_FALSE(!log->cacheFile.empty() && std::filesystem::exists(log->cacheFile));
    }
    EXPECT_EQ(L"http://camera.test/file", requests.back().url);
}

TEST_F(ActiveXStreams, FailuresOpenNothingAndCompleteAsFailed) {
    served["/plain"] = {200, "", body(10)};
    served["/odd"] = {206, "Content-Range: bytes 300-200/1000\r\n", body(100)};
    struct Case {
        const char* url;
        bool seekable;
        std::vector<std::string> log;
    };
    // The completion of a stream that never opened tells the failure again.
    const std::vector<std::string> missing{"created", "failed open", "failed open", "completed failed"};
    for (const Case& test : {Case{"http://camera.test/nothing", false, missing},
                             Case{"http://camera.test/plain",
                                  true,  // a server without ranges
                                  {"created", "opened", "failed open", "completed failed"}},
                             Case{"http://camera.test/odd", false, {"created", "opened", "completed failed"}},
                             Case{"file:///no/such/file.bin", false, missing}}) {
        SCOPED_TRACE(test.url);
        auto log = std::make_shared<StreamLog>();
        const auto stream = download(test.url, log, false, test.seekable);
        EXPECT_EQ(test.log, log->log);
        EXPECT_TRUE(log->offsets.empty());
    }
    EXPECT_FALSE(host->openStream("no scheme here", sink, false, false, 0));
    EXPECT_EQ(std::vector<std::string>{"destroyed"}, sink->log);  // made, never started
}

// A transfer without an HTTP response (a protocol of another kind) never opens the stream: its data
// reaches the plug-in only when a cache file is known.
TEST_F(ActiveXStreams, WithoutAResponseOnlyACachedStreamDeliversItsData) {
    hold = [](const platform::UrlRequest&, const Transfer& transfer) {
        transfer->deliver("abc", 3);
        transfer->finish(S_OK);
        return true;
    };
    for (const bool cached : {true, false}) {
        auto log = std::make_shared<StreamLog>();
        const auto stream = download("other://camera.test/thing", log, cached);
        EXPECT_EQ(cached ? "abc" : "", log->received);
        EXPECT_EQ((std::vector<std::string>{"created", "completed ok"}), log->log);
    }
}

// The whole-resource request stays open (its server takes ranges) while ranges are asked in one
// request, whose answer is placed by its Content-Range.
TEST_F(ActiveXStreams, RangesAreAskedInOneLineAndTheirDataPlacedByContentRange) {
    served["/seek"] = {206, "Accept-Ranges: bytes\r\nContent-Range: bytes 200-299/1000\r\n", body(100)};
    Transfer whole;
    hold = [&](const platform::UrlRequest&, const Transfer& transfer) {
        if (whole) return false;
        whole = transfer;
        transfer->respond(200, "HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nContent-Length: 1000\r\n\r\n");
        return true;
    };
    auto stream = host->openStream("http://camera.test/seek", sink, false, true, 0);
    ASSERT_TRUE(stream);
    EXPECT_TRUE(stream->isOpen());  // a seekable stream is open for ranges from the start
    ASSERT_TRUE(pumpUntil([&] { return stream->isSeekableByServer(); }));
    ASSERT_TRUE(stream->readRanges({{0, 100}, {200, 300}}));
    ASSERT_TRUE(pumpUntil([&] { return !sink->offsets.empty(); }));
    EXPECT_EQ(200u, sink->offsets.front());
    EXPECT_EQ(body(100), sink->received.substr(200));
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ("Accept-Encoding: identity\r\nRange: bytes=0-99,200-299\r\n", requests[1].headers);
    EXPECT_TRUE(stream->readRanges({}));  // nothing asked, nothing sent
    whole->finish(S_OK);
    ASSERT_TRUE(pumpUntil([&] { return sink->ended(); }));
    EXPECT_EQ("completed ok", sink->log.back());
    EXPECT_EQ(2u, requests.size());
}

TEST_F(ActiveXStreams, APostSendsItsBodyByLengthAsAForm) {
    served["/form"] = {200, "", "thanks"};
    const std::string post("a=1\0b=2", 7);
    auto stream = host->createPostStream("http://camera.test/form", sink, post, false, false, 0);
    ASSERT_TRUE(stream && pumpUntil([&] { return sink->ended(); }));
    EXPECT_EQ("thanks", sink->received);
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("POST", requests[0].verb);
    EXPECT_EQ(post, requests[0].body);
    EXPECT_EQ("Accept-Encoding: identity\r\nContent-Type: application/x-www-form-urlencoded\r\n", requests[0].headers);
    size_t written = 0;
    EXPECT_FALSE(stream->write("x", 1, written));  // uploads are not offered
}

// A transfer that never ends by itself: the provider answers and then waits to be aborted.
TEST_F(ActiveXStreams, ClosingStopsATransferMidwayAndNothingIsLeftBehind) {
    Transfer held;
    hold = [&](const platform::UrlRequest&, const Transfer& transfer) {
        held = transfer;
        transfer->respond(200, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n");
        transfer->deliver("abcd", 4);
        return true;
    };
    std::weak_ptr<FB::BrowserStream> watched;
    {
        auto stream = host->openStream("http://camera.test/slow", sink, false, false, 0);
        ASSERT_TRUE(stream);
        watched = stream;
        ASSERT_TRUE(pumpUntil([&] { return sink->received == "abcd"; }));
        EXPECT_EQ(0.4f, sink->progress.front());
        EXPECT_TRUE(stream->close());
        pumpFor(std::chrono::milliseconds(20));
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

TEST_F(ActiveXStreams, AStreamThatNeverOpenedClosesOnceAsFailedThenAsDoneAndProgressIsThePartReached) {
    auto stream = std::make_shared<ActiveXStream>("http://camera.test/", false, false, 0);
    EXPECT_FALSE(stream->close());
    EXPECT_TRUE(stream->close());
    EXPECT_TRUE(stream->close());

    auto other = std::make_shared<ActiveXStream>("http://camera.test/", false, false, 0);
    other->addObserver(sink);
    other->setLength(1000);
    other->setOpen(true);
    const std::string block(100, 'x');
    other->signalDataArrived(block.data(), 100, 400);
    other->signalDataArrived(block.data(), 0, 500);  // an empty block is no event
    EXPECT_EQ(std::vector<float>{50.0f}, sink->progress);
}

}  // namespace
