#include "host/events/stream_events.h"
#include "tests/support/host/event_recorder.h"
#include "tests/support/host/test_browser_host.h"

#include <gtest/gtest.h>

#include <stdexcept>

using test_support::TestStream;
using Lines = std::vector<std::string>;

namespace {

class BrowserStreams : public ::testing::Test {
protected:
    std::shared_ptr<TestStream> open() {
        return std::static_pointer_cast<TestStream>(host->openStream("http://camera/config.json", sink));
    }
    std::shared_ptr<test_support::TestBrowserHost> host = test_support::TestBrowserHost::create();
    std::shared_ptr<test_support::EventRecorder> sink = std::make_shared<test_support::EventRecorder>();
};

}  // namespace

TEST_F(BrowserStreams, HostKeepsAStreamThePluginDroppedUntilItCompletesAndTheSinkHearsItGo) {
    std::weak_ptr<TestStream> watch = open();
    ASSERT_FALSE(watch.expired());
    EXPECT_EQ(host->retainedStreams(), 1u);
    watch.lock()->open();
    watch.lock()->complete(true);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(host->retainedStreams(), 0u);
    // The manager leaves the completion unhandled, so the plug-in's sink still hears it.
    EXPECT_EQ(sink->log, (Lines{"attached", "created", "opened", "completed ok", "destroyed"}));
}

TEST_F(BrowserStreams, RefusedStreamRetainsNothingAndPostDataReachesTheBindingUnchanged) {
    auto posted = host->createPostStream("http://camera/set", sink, "a=1&b=%20");
    EXPECT_EQ(host->lastPostData, "a=1&b=%20");
    EXPECT_EQ(host->retainedStreams(), 1u);
    host->refuseStreams = true;
    EXPECT_EQ(host->openStream("http://x/", sink), nullptr);
    EXPECT_EQ(host->createPostStream("http://x/", sink, "c=3"), nullptr);
    EXPECT_EQ(host->lastPostData, "c=3");
    EXPECT_EQ(host->retainedStreams(), 1u);
}

TEST_F(BrowserStreams, ShutdownClosesStreamsStillOpenAndLetsThemGo) {
    std::weak_ptr<TestStream> watch = open();
    auto kept = open();
    watch.lock()->open();
    kept->open();
    host->shutdown();
    EXPECT_TRUE(watch.expired());
    EXPECT_FALSE(kept->isOpen());
    EXPECT_EQ(kept->closeCount, 1);
    EXPECT_NE(host->openStream("http://late/", nullptr), nullptr);  // nothing left to keep it
}

TEST_F(BrowserStreams, SinkFailingOnTheDestroyedEventDoesNotEndTheProcess) {
    sink->handles = [](FB::PluginEvent* event) -> bool {
        if (dynamic_cast<FB::StreamDestroyedEvent*>(event)) throw std::runtime_error("sink failed");
        return false;
    };
    auto stream = open();
    stream->complete(false);
    EXPECT_NO_THROW(stream.reset());
    EXPECT_EQ(sink->log.back(), "destroyed");
}
