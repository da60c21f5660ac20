// Posting a record to the main thread with an owner at every step. The host's queue takes the
// record over at the post: it lends the record to the receiving function when the call runs and
// frees it afterwards, and frees it unrun when the post is refused or the call can no longer run
// (the host went without shutting down). So no poster writes "new, delete when the post fails,
// take it back in the callback" by hand.
#pragma once

#include "host/browser_host.h"

#include <memory>

namespace FB {

template <typename Record, void (*Receive)(Record&)>
struct PostedRecord {
    static void run(void* record) {
        const std::unique_ptr<Record> owned(static_cast<Record*>(record));
        Receive(*owned);
    }
    static void discard(void* record) { delete static_cast<Record*>(record); }
};

// True when Receive will run with the record exactly once: on the main thread, or on the thread
// that shuts the host down. False when the host refused it, the record then freed.
template <auto Receive, typename Record>
bool postRecordToMainThread(BrowserHost& host, std::unique_ptr<Record> record) {
    using Post = PostedRecord<Record, Receive>;
    return host.postToMainThread(&Post::run, record.release(), &Post::discard);
}

}  // namespace FB
