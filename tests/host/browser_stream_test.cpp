#include "host/browser_stream_manager.h"
#include "host/stream_events.h"
#include "tests/support/host/event_recorder.h"
#include "tests/support/host/test_browser_host.h"

#include <gtest/gtest.h>

using testsupport::TestStream;
using Lines = std::vector<std::string>;

namespace {

class BrowserStreams : public ::testing::Test {
protected:
    void TearDown() override {
        if (!host->isShutDown()) host->shutdown();
    }
    std::shared_ptr<TestStream> open(bool seekable = false) {
        return std::static_pointer_cast<TestStream>(
            host->openStream("http://camera/config.json", sink, true, seekable, 4));
    }
    std::shared_ptr<testsupport::TestBrowserHost> host = testsupport::TestBrowserHost::create();
    std::shared_ptr<testsupport::EventRecorder> sink = std::make_shared<testsupport::EventRecorder>();
};

}  // namespace

TEST_F(BrowserStreams, LifecycleEventsArriveInOrderAndTheManagerLetsCompletedStreamsGo) {
    std::weak_ptr<TestStream> watch = open();
    ASSERT_FALSE(watch.expired());  // the plug-in dropped it; the manager keeps it
    watch.lock()->open("application/json", 10, false);
    watch.lock()->deliver("0123456789", 0);
    watch.lock()->complete(true);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(sink->log, (Lines{"attached", "created", "opened", "data 0 4 40", "data 4 4 80",
                                "data 8 2 100", "completed ok", "destroyed"}));

    sink->log.clear();
    watch = open();
    watch.lock()->open("text/plain", 0, false);
    watch.lock()->deliver("abc", 0);  // unknown length: progress 0
    watch.lock()->complete(false);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(sink->log, (Lines{"attached", "created", "opened", "data 0 3 0", "completed failed",
                                "destroyed"}));
}

TEST_F(BrowserStreams, SeekableRequestOpensOnlyWhenTheServerCanSeek) {
    auto refused = open(true);
    refused->open("video/mp4", 100, false);
    refused->deliver("ignored", 0);
    EXPECT_EQ(sink->log, (Lines{"attached", "created", "failedopen"}));
    EXPECT_TRUE(refused->isSeekable());
    EXPECT_FALSE(refused->canSeek());

    auto seekable = open(true);
    seekable->open("video/mp4", 100, true);
    EXPECT_TRUE(seekable->canSeek());
    EXPECT_TRUE(seekable->readRange(10, 20));
    ASSERT_EQ(seekable->ranges.size(), 1u);
    EXPECT_EQ(seekable->ranges[0].start, 10u);
    EXPECT_EQ(seekable->ranges[0].end, 20u);
}

TEST_F(BrowserStreams, RefusedStreamYieldsNothingAndShutdownClosesStreamsStillOpen) {
    auto stream = open();
    stream->open("text/plain", 3, false);
    host->refuseStreams = true;
    EXPECT_EQ(host->openStream("http://x/", sink), nullptr);
    EXPECT_EQ(host->createPostStream("http://x/", sink, "a=1"), nullptr);
    host->shutdown();
    EXPECT_FALSE(stream->isOpen());
    EXPECT_EQ(stream->closeCount, 1);
}

TEST(BrowserStreamManager, ReleasesAStreamOnlyOnItsOwnCompletion) {
    auto manager = std::make_shared<FB::BrowserStreamManager>();
    auto stream = std::make_shared<TestStream>("http://x/", false, false, 16);
    manager->retainStream(stream);
    FB::StreamOpenedEvent opened(stream.get());
    FB::StreamCompletedEvent completed(stream.get(), true);
    FB::PluginEventSource notAStream;
    EXPECT_FALSE(manager->handleEvent(&opened, stream.get()));
    EXPECT_FALSE(manager->handleEvent(&completed, &notAStream));
    EXPECT_EQ(manager->retainedCount(), 1u);
    EXPECT_FALSE(manager->handleEvent(&completed, stream.get()));
    EXPECT_EQ(manager->retainedCount(), 0u);
}
