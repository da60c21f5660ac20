// Streams as the browser drives them through the NPP stream callbacks.
#include "host/events/stream_events.h"
#include "npapi/npapi_stream.h"
#include "tests/npapi/support/plugin_instance.h"

#include <gtest/gtest.h>

namespace {

using namespace npapi_test;
using Lines = std::vector<std::string>;

class StreamLog : public FB::PluginEventSink {
public:
    bool handleEvent(FB::PluginEvent* event, FB::PluginEventSource*) override {
        if (dynamic_cast<FB::StreamCreatedEvent*>(event)) lines.push_back("created");
        if (dynamic_cast<FB::StreamOpenedEvent*>(event)) lines.push_back("opened");
        if (dynamic_cast<FB::StreamFailedOpenEvent*>(event)) lines.push_back("failed open");
        if (auto* e = dynamic_cast<FB::StreamDataArrivedEvent*>(event)) {
            lines.push_back("data " + std::string(static_cast<const char*>(e->data), e->length) + " " +
                            std::to_string(static_cast<int>(e->progress)));
        }
        if (auto* e = dynamic_cast<FB::StreamCompletedEvent*>(event)) lines.push_back(e->success ? "done" : "failed");
        return false;
    }
    Lines lines;
};

class Streams : public ::testing::Test {
protected:
    // Asks for a stream and has the browser open it with the given length and seekability.
    std::shared_ptr<FB::Npapi::NpapiStream> open(bool seekable, uint32_t length, bool serverSeekable = false,
                                                 bool cache = false) {
        auto stream = std::static_pointer_cast<FB::Npapi::NpapiStream>(
            instance.host()->openStream("http://camera/data", log, cache, seekable, 128));
        browserStream.notifyData = notifyData = browser.requests.back().notifyData;
        browserStream.url = "http://camera/data";
        browserStream.end = length;
        browserStream.headers = "Content-Type: text/plain\n";
        char type[] = "text/plain";
        openResult = instance.pluginFuncs.newstream(&browser.instance, type, &browserStream, serverSeekable, &stype);
        return stream;
    }
    int32_t write(const std::string& bytes, int32_t offset) {
        return instance.pluginFuncs.write(&browser.instance, &browserStream, offset, int32_t(bytes.size()),
                                          const_cast<char*>(bytes.data()));
    }
    void destroyStream(NPReason reason) {
        instance.pluginFuncs.destroystream(&browser.instance, &browserStream, reason);
    }
    void notify(NPReason reason) {
        instance.pluginFuncs.urlnotify(&browser.instance, "http://camera/data", reason, notifyData);
    }

    TestBrowser browser;
    PluginInstance instance{browser};
    std::shared_ptr<StreamLog> log = std::make_shared<StreamLog>();
    NPStream browserStream{};
    void* notifyData = nullptr;
    uint16_t stype = 0;
    NPError openResult = NPERR_GENERIC_ERROR;
};

TEST_F(Streams, DataHeadersAndCompletionArriveInOrder) {
    auto stream = open(false, 10);
    ASSERT_EQ(NPERR_NO_ERROR, openResult);
    EXPECT_EQ(NP_NORMAL, stype);
    EXPECT_EQ("Content-Type: text/plain\n", stream->getHeaders());
    EXPECT_EQ("text/plain", stream->getMimeType());
    EXPECT_EQ(128, instance.pluginFuncs.writeready(&browser.instance, &browserStream));
    EXPECT_EQ(5, write("hello", 0));
    EXPECT_EQ(5, write("world", 5));
    destroyStream(NPRES_DONE);
    notify(NPRES_DONE);
    EXPECT_EQ((Lines{"created", "opened", "data hello 50", "data world 100", "done"}), log->lines);
}

// What the plug-in sends on an open stream goes to the browser; a write succeeds only when the
// browser took every byte, and none is sent before the browser opened the stream or after it ended.
TEST_F(Streams, WritesReachTheBrowserAndSucceedOnlyWhenItTookEveryByte) {
    auto unopened = std::static_pointer_cast<FB::Npapi::NpapiStream>(
        instance.host()->openStream("http://camera/upload", log, false, false, 128));
    size_t written = 0;
    EXPECT_FALSE(unopened->write("early", 5, written));
    auto stream = open(false, 10);
    EXPECT_TRUE(stream->write("hello", 5, written));
    EXPECT_EQ(5u, written);
    browser.writeLimit = 2;
    EXPECT_FALSE(stream->write("world", 5, written));
    EXPECT_EQ(2u, written);
    destroyStream(NPRES_DONE);
    EXPECT_FALSE(stream->write("late", 4, written));
    EXPECT_EQ((Lines{"hello", "wo"}), browser.written);
}

// At most the internal buffer is taken; the progress counts the whole write.
TEST_F(Streams, AWriteBeyondTheBufferIsTakenInPartWithProgressOfTheWhole) {
    auto stream = open(false, 1000);
    EXPECT_EQ(128, write(std::string(500, 'x'), 0));
    ASSERT_EQ(3u, log->lines.size());
    EXPECT_EQ("data " + std::string(128, 'x') + " 50", log->lines.back());
    auto unknownLength = open(false, 0);
    write("abc", 0);
    EXPECT_EQ("data abc 0", log->lines.back());
}

// The browser's local copy of a cached stream, its bytes widened one by one.
TEST_F(Streams, ACachedStreamIsAskedForAsAFileAndKeepsItsName) {
    auto stream = open(false, 10, false, true);
    EXPECT_EQ(NP_ASFILE, stype);
    instance.pluginFuncs.asfile(&browser.instance, &browserStream, "/tmp/caf\xE9.bin");
    EXPECT_EQ(L"/tmp/caf\xE9.bin", stream->getCacheFilename());
}

TEST_F(Streams, ASeekRequestTheServerCannotServeFailsToOpen) {
    std::weak_ptr<FB::Npapi::NpapiStream> watched = open(true, 10);
    EXPECT_EQ(NPERR_STREAM_NOT_SEEKABLE, openResult);
    EXPECT_EQ((Lines{"created", "failed open"}), log->lines);
    notify(NPRES_NETWORK_ERR);
    EXPECT_EQ("failed", log->lines.back());
    EXPECT_TRUE(watched.expired());
}

TEST_F(Streams, RangesOfASeekableStreamGoToTheBrowserAsOneChain) {
    auto stream = open(true, 1000, true);
    ASSERT_EQ(NPERR_NO_ERROR, openResult);
    EXPECT_EQ(NP_SEEK, stype);
    ASSERT_TRUE(stream->readRanges({{0, 10}, {100, 150}, {900, 1000}}));
    ASSERT_EQ(1u, browser.readRequests.size());
    const auto& chain = browser.readRequests[0];
    ASSERT_EQ(3u, chain.size());
    EXPECT_EQ(100, chain[1].offset);
    EXPECT_EQ(50u, chain[1].length);
    EXPECT_FALSE(stream->readRanges({{0, 10}, {20, 5}}));
    EXPECT_EQ(1u, browser.readRequests.size());

    destroyStream(NPRES_DONE);  // a seekable stream stays open for more ranges
    EXPECT_TRUE(stream->isOpen());
    EXPECT_FALSE(stream->isCompleted());
}

// Whichever of the destroy and the notification comes first completes the stream, once, with its
// real result; the stream lets go of itself when both have come.
TEST_F(Streams, DestroyAndNotificationInEitherOrderCompleteOnceAndReleaseTheStream) {
    for (bool notificationFirst : {true, false}) {
        SCOPED_TRACE(notificationFirst ? "notification first" : "destroy first");
        log->lines.clear();
        std::weak_ptr<FB::Npapi::NpapiStream> watched = open(false, 10);
        if (notificationFirst) notify(NPRES_NETWORK_ERR);
        destroyStream(notificationFirst ? NPRES_DONE : NPRES_NETWORK_ERR);
        EXPECT_EQ((Lines{"created", "opened", "failed"}), log->lines);
        EXPECT_EQ(notificationFirst, watched.expired());
        if (!notificationFirst) notify(NPRES_DONE);
        EXPECT_EQ(3u, log->lines.size());
        EXPECT_TRUE(watched.expired());
    }
}

TEST_F(Streams, NotifyDataTheHostDidNotMakeIsIgnored) {
    NPStream foreign{};
    int somewhere = 0;
    foreign.notifyData = &somewhere;
    uint16_t type = 0;
    EXPECT_EQ(NPERR_NO_ERROR, instance.pluginFuncs.newstream(&browser.instance, nullptr, &foreign, 0, &type));
    EXPECT_EQ(-1, instance.pluginFuncs.writeready(&browser.instance, &foreign));
    instance.pluginFuncs.asfile(&browser.instance, &foreign, "/tmp/x");
    notifyData = &somewhere;
    notify(NPRES_DONE);
}

}  // namespace
