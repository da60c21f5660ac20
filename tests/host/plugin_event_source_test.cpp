#include "host/key_codes.h"
#include "host/lifecycle_events.h"
#include "host/mouse_events.h"
#include "host/plugin_event_source.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// Records what it receives and answers with a configurable result; may run an action inside.
class RecordingSink : public FB::PluginEventSink {
public:
    explicit RecordingSink(std::vector<std::string>* log, std::string name, bool handles = false)
        : log(log), name(std::move(name)), handles(handles) {}

    bool handleEvent(FB::PluginEvent* event, FB::PluginEventSource*) override {
        if (dynamic_cast<FB::AttachedEvent*>(event)) log->push_back(name + ":attached");
        else if (dynamic_cast<FB::DetachedEvent*>(event)) log->push_back(name + ":detached");
        else log->push_back(name + ":event");
        if (onEvent && !dynamic_cast<FB::AttachedEvent*>(event) &&
            !dynamic_cast<FB::DetachedEvent*>(event)) {
            onEvent();
        }
        return handles;
    }

    std::vector<std::string>* log;
    std::string name;
    bool handles;
    std::function<void()> onEvent;
};

}  // namespace

TEST(PluginEventSource, BroadcastStopsAtTheFirstSinkThatHandles) {
    std::vector<std::string> log;
    FB::PluginEventSource source;
    FB::MouseMoveEvent move(1, 2);
    EXPECT_FALSE(source.broadcastEvent(&move));

    auto first = std::make_shared<RecordingSink>(&log, "a", true);
    auto second = std::make_shared<RecordingSink>(&log, "b");
    source.addObserver(first);
    source.addObserver(second);
    EXPECT_TRUE(source.broadcastEvent(&move));
    EXPECT_EQ(log, (std::vector<std::string>{"a:attached", "b:attached", "a:event"}));
}

TEST(PluginEventSource, DuplicateRegistrationsAreRemovedTogetherWithOneDetachEach) {
    std::vector<std::string> log;
    FB::PluginEventSource source;
    auto sink = std::make_shared<RecordingSink>(&log, "s");
    source.addObserver(sink.get());
    source.addObserver(sink.get());
    source.removeObserver(sink.get());
    EXPECT_EQ(log, (std::vector<std::string>{"s:attached", "s:attached", "s:detached", "s:detached"}));
    FB::MouseMoveEvent move(0, 0);
    EXPECT_FALSE(source.broadcastEvent(&move));
}

TEST(PluginEventSource, DestroyedSinksAreSkippedAndPrunedWithoutDetach) {
    std::vector<std::string> log;
    FB::PluginEventSource source;
    auto gone = std::make_shared<RecordingSink>(&log, "gone", true);
    auto kept = std::make_shared<RecordingSink>(&log, "kept");
    source.addObserver(gone);
    source.addObserver(kept);
    gone.reset();
    log.clear();
    FB::MouseMoveEvent move(0, 0);
    EXPECT_FALSE(source.broadcastEvent(&move));
    source.removeObserver(kept);
    EXPECT_EQ(log, (std::vector<std::string>{"kept:event", "kept:detached"}));
}

TEST(PluginEventSource, RawRegistrationOfAnUnownedSinkThrows) {
    std::vector<std::string> log;
    FB::PluginEventSource source;
    RecordingSink unowned(&log, "x");
    EXPECT_THROW(source.addObserver(&unowned), std::bad_weak_ptr);
}

TEST(PluginEventSource, SinksMayChangeTheListDuringABroadcast) {
    std::vector<std::string> log;
    auto source = std::make_shared<FB::PluginEventSource>();
    auto leaver = std::make_shared<RecordingSink>(&log, "leaver");
    auto joiner = std::make_shared<RecordingSink>(&log, "late");
    auto last = std::make_shared<RecordingSink>(&log, "last");
    leaver->onEvent = [&] {
        source->removeObserver(leaver);
        source->addObserver(joiner);
    };
    source->addObserver(leaver);
    source->addObserver(last);
    log.clear();
    FB::MouseMoveEvent move(0, 0);
    source->broadcastEvent(&move);
    // The walk runs over the list as it was; the newcomer sees only later events.
    EXPECT_EQ(log, (std::vector<std::string>{"leaver:event", "leaver:detached", "late:attached",
                                             "last:event"}));
}

TEST(PluginEventSource, SourceOutlivesASinkThatDropsItsLastOwnerMidBroadcast) {
    std::vector<std::string> log;
    auto source = std::make_shared<FB::PluginEventSource>();
    auto dropper = std::make_shared<RecordingSink>(&log, "dropper");
    auto after = std::make_shared<RecordingSink>(&log, "after");
    dropper->onEvent = [&] { source.reset(); };
    source->addObserver(dropper);
    source->addObserver(after);
    log.clear();
    FB::MouseMoveEvent move(0, 0);
    FB::PluginEventSource* raw = source.get();
    EXPECT_FALSE(raw->broadcastEvent(&move));
    EXPECT_EQ(log, (std::vector<std::string>{"dropper:event", "after:event"}));
    EXPECT_EQ(source, nullptr);
}

TEST(KeyCodes, MapsNamedKeysAndSendsEverythingElseToUnknown) {
    EXPECT_EQ(FB::windowsKeyToFBKey(65), 84);   // A
    EXPECT_EQ(FB::windowsKeyToFBKey(48), 84);   // 0
    EXPECT_EQ(FB::windowsKeyToFBKey(107), 0);   // numpad +
    EXPECT_EQ(FB::windowsKeyToFBKey(13), 52);   // return
    EXPECT_EQ(FB::windowsKeyToFBKey(123), 14);  // F12
    EXPECT_EQ(FB::windowsKeyToFBKey(145), 53);  // scroll lock
    EXPECT_EQ(FB::windowsKeyToFBKey(0), 84);
    EXPECT_EQ(FB::windowsKeyToFBKey(146), 84);
    EXPECT_EQ(FB::windowsKeyToFBKey(0xFFFFFFFFu), 84);
}
