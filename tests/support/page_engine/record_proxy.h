// Script's view of objects that live outside the page (a plug-in's NPObjects, a control's COM
// objects): Duktape proxies whose target is a native function carrying the address of a record of
// the bridge that made it. Calling the proxy calls the target's function; the traps given answer
// member reads, writes, tests, deletions and listing. A page holds one bridge, found through the
// heap's stash, and a page script object handed to the other side is marked with the object
// standing for it.
//
// ScriptProxies keeps the records: one proxy per object while script holds it (a method read as a
// function gets a function of its own), each record holding one reference on its object. Duktape
// runs finalizers inside arbitrary Duktape calls, so a dropped record only queues its reference;
// the bridge gives queued references up at its safe points (releaseDropped). Main thread only.
#pragma once

#include <duktape.h>

#include <functional>
#include <initializer_list>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace test_support {

struct ProxyTrap {
    const char* name;  // "get", "set", "has", "deleteProperty", "ownKeys"
    duk_c_function function;
    duk_idx_t arguments;
};

// The page's bridge, kept in the heap's stash.
void stashBridge(duk_context* context, void* bridge);
void* stashedBridge(duk_context* context);

// Pushes a native function carrying the record, finalised by `finalizer` when script drops it.
void pushRecordFunction(duk_context* context, duk_c_function function, void* record, duk_c_function finalizer);
// Pushes a new proxy over a record function; the traps' handler is made once per heap. Answers the
// proxy's heap address. The target keeps its proxy: the cycle leaves both to the mark-and-sweep
// collector, which runs the target's finalizer while the proxy still exists, so that the proxy's
// address stays good for as long as the record maps to it.
void* pushRecordProxy(duk_context* context, void* record, duk_c_function call, duk_c_function finalizer,
                      std::initializer_list<ProxyTrap> traps);
// The record the value at the index carries (a proxy reads it from its target without running a
// trap), or null.
void* recordAt(duk_context* context, duk_idx_t index);
// Marks the script object at the index with the address (null removes the mark). A value that
// takes no mark has no identity: it is simply not found again.
void markScriptObject(duk_context* context, duk_idx_t index, void* address);
// The address the script object at the index is marked with, or null.
void* markOf(duk_context* context, duk_idx_t index);

// A native function or trap of a bridge: runs the work, letting no C++ exception out, and throws
// what it left on the stack when it says so; by then the frame holds no C++ object for the jump to
// skip.
template <typename Bridge, bool (Bridge::*Work)(duk_context*)>
duk_ret_t bridgeTrap(duk_context* context) {
    bool thrown = true;
    try {
        thrown = (static_cast<Bridge*>(stashedBridge(context))->*Work)(context);
    } catch (...) {
        duk_push_error_object(context, DUK_ERR_ERROR, "the stand-in failed in an operation on an outside object");
    }
    return thrown ? duk_throw(context) : 1;
}

struct NoProxyExtra {};

template <typename Object, typename Extra = NoProxyExtra>
class ScriptProxies {
public:
    struct Record : Extra {
        ScriptProxies* owner = nullptr;
        Object* object = nullptr;  // null once cut loose
        void* proxy = nullptr;     // the proxy's heap address; null for a method function
    };

    // `release` gives up one reference; `goneMessage` is the error of a call on a proxy cut loose.
    ScriptProxies(std::function<void(Object*)> release, const char* goneMessage)
        : release_(std::move(release)), goneMessage_(goneMessage) {}
    ~ScriptProxies() {
        for (Record* record : records_) delete record;
    }
    ScriptProxies(const ScriptProxies&) = delete;
    ScriptProxies& operator=(const ScriptProxies&) = delete;

    // The record of the proxy at the index, when it is one of these.
    Record* proxyAt(duk_context* context, duk_idx_t index) const {
        auto* record = static_cast<Record*>(recordAt(context, index));
        return record && records_.count(record) && record->proxy ? record : nullptr;
    }
    // The record of the proxy script holds over the object, or null.
    Record* proxyOf(Object* object) const {
        const auto found = proxyOf_.find(object);
        return found == proxyOf_.end() ? nullptr : found->second;
    }
    // Pushes the proxy script holds over the object; false when it holds none.
    bool pushKnown(duk_context* context, Object* object) const {
        Record* record = proxyOf(object);
        if (record) duk_push_heapptr(context, record->proxy);
        return record != nullptr;
    }
    // Pushes a new proxy over the object, which takes over one reference the caller took. The
    // bridge's callObject answers a call of the proxy, its proxyGet, proxySet, proxyHas and
    // proxyOwnKeys the traps (deleting a member is left to the empty target: no page needs it).
    template <typename Bridge>
    Record& pushProxy(duk_context* context, Object* object) {
        Record& record = add(object, Extra{});
        record.proxy = pushRecordProxy(context, &record, bridgeTrap<Bridge, &Bridge::callObject>, finalize,
                                       {{"get", bridgeTrap<Bridge, &Bridge::proxyGet>, 3},
                                        {"set", bridgeTrap<Bridge, &Bridge::proxySet>, 4},
                                        {"has", bridgeTrap<Bridge, &Bridge::proxyHas>, 2},
                                        {"ownKeys", bridgeTrap<Bridge, &Bridge::proxyOwnKeys>, 1}});
        proxyOf_.emplace(object, &record);
        return record;
    }
    // Pushes a function of its own over the object, which takes over one reference the caller took.
    Record& pushFunction(duk_context* context, Object* object, duk_c_function call, Extra extra) {
        Record& record = add(object, std::move(extra));
        pushRecordFunction(context, call, &record, finalize);
        return record;
    }
    // The record of a trap's target (at index 0) or of the function being called; null, with the
    // error pushed, when the object is no longer reachable.
    Record* liveRecord(duk_context* context, bool ofCurrentFunction) const {
        if (ofCurrentFunction)
            duk_push_current_function(context);
        else
            duk_dup(context, 0);
        auto* record = static_cast<Record*>(recordAt(context, -1));
        duk_pop(context);
        if (record && records_.count(record) && record->object) return record;
        duk_push_error_object(context, DUK_ERR_ERROR, "%s", goneMessage_);
        return nullptr;
    }
    void releaseDropped() {
        while (!dropped_.empty()) {
            Object* object = dropped_.back();
            dropped_.pop_back();
            release_(object);
        }
    }
    // Cuts every proxy loose from its object and gives up its reference; script that still holds
    // one gets an error from then on.
    void disconnect() {
        proxyOf_.clear();
        for (Record* record : records_) {
            if (record->object) dropped_.push_back(record->object);
            record->object = nullptr;
        }
        releaseDropped();
    }

private:
    Record& add(Object* object, Extra extra) {
        auto* record = new Record{std::move(extra)};
        record->owner = this;
        record->object = object;
        records_.insert(record);
        return *record;
    }
    static duk_ret_t finalize(duk_context* context) {
        auto* record = static_cast<Record*>(recordAt(context, 0));
        if (!record) return 0;
        ScriptProxies& owner = *record->owner;
        try {
            if (record->object) owner.dropped_.push_back(record->object);
        } catch (...) {  // the reference stays taken: a leak, never a crash
        }
        const auto mapped = owner.proxyOf_.find(record->object);
        if (mapped != owner.proxyOf_.end() && mapped->second == record) owner.proxyOf_.erase(mapped);
        owner.records_.erase(record);
        delete record;
        return 0;
    }

    std::function<void(Object*)> release_;
    const char* goneMessage_;
    std::unordered_set<Record*> records_;
    std::unordered_map<Object*, Record*> proxyOf_;  // the live proxy of each object
    std::vector<Object*> dropped_;                  // references given up, not yet released
};

// The page objects a bridge made for script objects handed to the other side: one per script
// object while the other side holds it, found again through the mark on the script object.
template <typename PageObject>
class PageObjectMarks {
public:
    // The live page object the script object at the index is marked with, or null.
    PageObject* find(duk_context* context, duk_idx_t index) const {
        auto* known = static_cast<PageObject*>(markOf(context, index));
        return known && objects_.count(known) ? known : nullptr;
    }
    void add(duk_context* context, duk_idx_t index, PageObject* object) {
        objects_.insert(object);
        markScriptObject(context, index, object);
    }
    // Forgets the object; the mark goes from the script object on top of the stack, if any.
    void remove(duk_context* context, PageObject* object) {
        objects_.erase(object);
        if (context) markScriptObject(context, -1, nullptr);
    }
    bool contains(const PageObject* object) const { return objects_.count(const_cast<PageObject*>(object)) != 0; }
    const std::unordered_set<PageObject*>& all() const { return objects_; }
    void clear() { objects_.clear(); }

private:
    std::unordered_set<PageObject*> objects_;
};

}  // namespace test_support
