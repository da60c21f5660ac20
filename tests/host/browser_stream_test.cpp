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
    std::shared_ptr<TestStream> open(bool seekable = false) {
        return std::static_pointer_cast<TestStream>(
            host->openStream("http://camera/config.json", sink, true, seekable, 4));
    }
    std::shared_ptr<testsupport::TestBrowserHost> host = testsupport::TestBrowserHost::create();
    std::shared_ptr<testsupport::EventRecorder> sink = std::make_shared<testsupport::EventRecorder>();
};

}  // namespace

TEST_F(BrowserStreams, LifecycleEventsArriveInOrderAndTheManagerLetsCompletedStreamsGo) {
    for (uint32_t length : {10u, 0u}) {  // 0: unknown length, progress 0
        sink->log.clear();
        std::weak_ptr<TestStream> watch = open();
        ASSERT_FALSE(watch.expired());  // the plug-in dropped it; the manager keeps it
        watch.lock()->open("application/json", length, false);
        watch.lock()->deliver("0123456789", 0);
        watch.lock()->complete(length != 0);
        EXPECT_TRUE(watch.expired());
        const int p = length ? 40 : 0;
        EXPECT_EQ(sink->log, (Lines{"attached", "created", "opened", "data 0 4 " + std::to_string(p),
                                    "data 4 4 " + std::to_string(2 * p), "data 8 2 " + std::to_string(p * 5 / 2),
                                    length ? "completed ok" : "completed failed", "destroyed"}));
    }
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
