#include "host/browser_stream_manager.h"
#include "host/stream_events.h"
#include "tests/support/host/event_recorder.h"
#include "tests/support/host/test_browser_host.h"

#include <gtest/gtest.h>

using testsupport::EventRecorder;
using testsupport::TestBrowserHost;
using testsupport::TestStream;
using Lines = std::vector<std::string>;

namespace {

class BrowserStreams : public ::testing::Test {
protected:
    void TearDown() override {
        if (!host->isShutDown()) host->shutdown();
        TestBrowserHost::pump();
    }
    std::shared_ptr<TestStream> open(bool seekable = false, uint32_t bufferSize = 4) {
        auto stream = std::static_pointer_cast<TestStream>(
            host->openStream("http://camera/config.json", sink, true, seekable, bufferSize));
        return stream;
    }
    std::shared_ptr<TestBrowserHost> host = TestBrowserHost::create();
    std::shared_ptr<EventRecorder> sink = std::make_shared<EventRecorder>();
};

}  // namespace

TEST_F(BrowserStreams, LifecycleEventsArriveInOrderAndTheManagerLetsCompletedStreamsGo) {
    std::weak_ptr<TestStream> watch;
    {
        auto stream = open();
        ASSERT_NE(stream, nullptr);
        watch = stream;
        stream->open("application/json", 10, false);
        stream->deliver("0123456789", 0);
        stream->complete(true);
        EXPECT_FALSE(stream->isOpen());
        EXPECT_TRUE(stream->isCompleted());
        EXPECT_EQ(stream->closeCount, 1);
        host->lastStream.reset();
    }
    // The plug-in and the manager have both let go: the stream is gone.
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(sink->log, (Lines{"attached", "created", "opened", "data 0 4 40", "data 4 4 80", "data 8 2 100",
                                "completed ok", "destroyed"}));
}

TEST_F(BrowserStreams, ManagerKeepsAStreamThePluginDroppedUntilItCompletes) {
    std::weak_ptr<TestStream> watch = open();
    host->lastStream.reset();
    ASSERT_FALSE(watch.expired());
    auto stream = watch.lock();
    stream->open("text/plain", 0, false);
    stream->deliver("abc", 0);  // unknown length: progress 0
    stream.reset();
    watch.lock()->complete(false);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(sink->log,
              (Lines{"attached", "created", "opened", "data 0 3 0", "completed failed", "destroyed"}));
}

TEST_F(BrowserStreams, SeekableRequestTheServerCannotHonourFailsToOpen) {
    auto stream = open(true);
    stream->open("video/mp4", 100, false);
    EXPECT_FALSE(stream->isOpen());
    stream->deliver("ignored", 0);
    EXPECT_EQ(sink->translated(), (Lines{"attached", "created", "failedopen"}));
    EXPECT_FALSE(stream->canSeek());
    EXPECT_TRUE(stream->isSeekable());

    auto seekable = open(true);
    seekable->open("video/mp4", 100, true);
    EXPECT_TRUE(seekable->canSeek());
    EXPECT_TRUE(seekable->readRange(10, 20));
    ASSERT_EQ(seekable->ranges.size(), 1u);
    EXPECT_EQ(seekable->ranges[0].start, 10u);
    EXPECT_EQ(seekable->ranges[0].end, 20u);
}

TEST_F(BrowserStreams, RefusedStreamYieldsNothingAndRetainsNothing) {
    host->refuseStreams = true;
    EXPECT_EQ(host->openStream("http://x/", sink), nullptr);
    EXPECT_EQ(host->createPostStream("http://x/", sink, "a=1"), nullptr);
    EXPECT_TRUE(sink->log.empty());
}

TEST_F(BrowserStreams, HostShutdownClosesStreamsStillOpen) {
    auto stream = open();
    stream->open("text/plain", 3, false);
    host->shutdown();
    EXPECT_FALSE(stream->isOpen());
    EXPECT_EQ(stream->closeCount, 1);
}

TEST(BrowserStreamManager, IgnoresEventsThatAreNotCompletionsOfStreams) {
    auto manager = std::make_shared<FB::BrowserStreamManager>();
    auto stream = std::make_shared<TestStream>("http://x/", false, false, 16);
    manager->retainStream(stream);
    FB::StreamOpenedEvent opened(stream.get());
    EXPECT_FALSE(manager->handleEvent(&opened, stream.get()));
    EXPECT_EQ(manager->retainedCount(), 1u);
    FB::StreamCompletedEvent completed(stream.get(), true);
    FB::PluginEventSource notAStream;
    EXPECT_FALSE(manager->handleEvent(&completed, &notAStream));
    EXPECT_EQ(manager->retainedCount(), 1u);
    EXPECT_FALSE(manager->handleEvent(&completed, stream.get()));
    EXPECT_EQ(manager->retainedCount(), 0u);
}
