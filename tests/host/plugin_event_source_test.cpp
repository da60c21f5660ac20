#include "host/events/key_codes.h"
#include "host/events/mouse_events.h"
#include "host/plugin_event_source.h"
#include "tests/support/host/event_recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using test_support::EventRecorder;
using Lines = std::vector<std::string>;

TEST(PluginEventSource, BroadcastStopsAtTheFirstHandlerAndSkipsDestroyedSinks) {
    FB::PluginEventSource source;
    FB::MouseMoveEvent move(1, 2);
    EXPECT_FALSE(source.broadcastEvent(&move));
    auto gone = std::make_shared<EventRecorder>();
    auto twice = std::make_shared<EventRecorder>();
    auto last = std::make_shared<EventRecorder>();
    source.addObserver(gone);
    source.addObserver(twice.get());
    source.addObserver(twice.get());
    source.addObserver(last);
    gone->handles = last->handles = [](FB::PluginEvent*) { return true; };
    gone.reset();
    EXPECT_TRUE(source.broadcastEvent(&move));
    EXPECT_EQ(last->log, (Lines{"attached", "move 1 2"}));
    last->handles = nullptr;
    // Removing a sink erases all its entries, each with a DetachedEvent.
    source.removeObserver(twice.get());
    EXPECT_EQ(twice->log, (Lines{"attached", "attached", "move 1 2", "move 1 2", "detached", "detached"}));
    source.removeObserver(last);
    EXPECT_FALSE(source.broadcastEvent(&move));

    EventRecorder unowned;
    EXPECT_THROW(source.addObserver(&unowned), std::bad_weak_ptr);
}

TEST(PluginEventSource, SourceOutlivesASinkThatDropsItsLastOwnerMidBroadcast) {
    auto source = std::make_shared<FB::PluginEventSource>();
    auto dropper = std::make_shared<EventRecorder>();
    auto after = std::make_shared<EventRecorder>();
    source->addObserver(dropper);
    source->addObserver(after);
    dropper->handles = [&](FB::PluginEvent*) {
        source.reset();
        return false;
    };
    FB::MouseMoveEvent move(0, 0);
    FB::PluginEventSource* raw = source.get();
    EXPECT_FALSE(raw->broadcastEvent(&move));
    EXPECT_EQ(after->log, (Lines{"attached", "move 0 0"}));
    EXPECT_EQ(source, nullptr);
}

// A sink that removes itself and adds another while it handles an event: the walk in progress goes
// on as it began.
TEST(PluginEventSource, ObserversChangedDuringABroadcastTakePartFromTheNextOneOn) {
    FB::PluginEventSource source;
    auto leaving = std::make_shared<EventRecorder>();
    auto staying = std::make_shared<EventRecorder>();
    auto late = std::make_shared<EventRecorder>();
    source.addObserver(leaving);
    source.addObserver(staying);
    leaving->handles = [&](FB::PluginEvent* event) {
        if (dynamic_cast<FB::MouseMoveEvent*>(event)) source.removeObserver(leaving), source.addObserver(late);
        return false;
    };
    FB::MouseMoveEvent first(3, 4), second(5, 6);
    source.broadcastEvent(&first);
    source.broadcastEvent(&second);
    EXPECT_EQ(leaving->log, (Lines{"attached", "move 3 4", "detached"}));
    EXPECT_EQ(staying->log, (Lines{"attached", "move 3 4", "move 5 6"}));
    EXPECT_EQ(late->log, (Lines{"attached", "move 5 6"}));
}

TEST(KeyCodes, MapsNamedKeysAndSendsEverythingElseIncludingOutOfRangeCodesToUnknown) {
    const std::pair<unsigned, int> table[] = {{65, 84},  {48, 84},  {107, 0},  {13, 52}, {91, 65},  {123, 14},
                                              {133, 25}, {144, 38}, {145, 53}, {0, 84},  {146, 84}, {~0u, 84}};
    for (const auto& [virtualKey, code] : table) EXPECT_EQ(FB::windowsKeyToFBKey(virtualKey), code) << virtualKey;
}
