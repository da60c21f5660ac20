#include "host/posted_record.h"
#include "host/win_message_window.h"
#include "tests/support/host/test_browser_host.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using test_support::TestBrowserHost;
using Lines = std::vector<std::string>;

namespace {

// A posted record that notes when it is received and when it is freed.
struct Note {
    Note(Lines& log, std::string label) : lines(log), name(std::move(label)) {}
    ~Note() { lines.push_back(name + " freed"); }
    static void receive(Note& note) { note.lines.push_back(note.name + " ran"); }

    Lines& lines;
    std::string name;
};

using PostedNote = FB::PostedRecord<Note, &Note::receive>;

bool postNote(TestBrowserHost& host, Lines& lines, const std::string& name) {
    return FB::postRecordToMainThread<&Note::receive>(host, std::make_unique<Note>(lines, name));
}

}  // namespace

TEST(PostedRecords, EachIsFreedOnceAfterItRanOrUnrunWhenTheHostRefusedIt) {
    Lines lines;
    auto host = TestBrowserHost::create();
    ASSERT_TRUE(postNote(*host, lines, "a"));
    EXPECT_TRUE(lines.empty());
    TestBrowserHost::pump();
    EXPECT_EQ(lines, (Lines{"a ran", "a freed"}));

    host->refusePosts = true;
    EXPECT_FALSE(postNote(*host, lines, "b"));
    host->refusePosts = false;
    ASSERT_TRUE(postNote(*host, lines, "c"));
    host->shutdown();  // runs what is still queued
    EXPECT_FALSE(postNote(*host, lines, "d"));
    TestBrowserHost::pump();  // the late message for c finds nothing
    EXPECT_EQ(lines, (Lines{"a ran", "a freed", "b freed", "c ran", "c freed", "d freed"}));
}

// The queue owns what it carries: a call still pending when its message window and then its
// manager go (a host destroyed without shutting down) is freed without running, as is one
// withdrawn after its post failed.
TEST(PostedRecords, ThoseStillQueuedWhenTheWindowAndTheManagerGoAreFreedUnrun) {
    Lines lines;
    auto manager = std::make_shared<FB::AsyncCallManager>();
    FB::AsyncCallDataPtr withdrawn =
        manager->registerCall(&PostedNote::run, new Note(lines, "withdrawn"), &PostedNote::discard);
    EXPECT_TRUE(manager->unregisterCall(withdrawn));
    {
        FB::WinMessageWindow window;
        FB::AsyncCallDataPtr pending =
            manager->registerCall(&PostedNote::run, new Note(lines, "pending"), &PostedNote::discard);
        ASSERT_TRUE(window.postCall(&FB::AsyncCallManager::runCall, FB::AsyncCallManager::tokenOf(pending)));
    }
    TestBrowserHost::pump();
    EXPECT_EQ(lines, (Lines{"withdrawn freed"}));
    manager.reset();
    EXPECT_EQ(lines, (Lines{"withdrawn freed", "pending freed"}));
}
