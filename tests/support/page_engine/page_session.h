// The page side of a stand-in's session, on its main thread: the page and its script, the plain
// script object standing for the plug-in's <object> element until the plug-in gives its own, the
// page's scripts before and after the plug-in, and the safe point at which the bridge to the
// plug-in's objects gives up what script dropped. The NPAPI browser and the ActiveX container add
// their bridge and the plug-in for the element. Main thread only, from construction to destruction.
#pragma once

#include "tests/support/page_engine/browser_faults.h"
#include "tests/support/page_engine/browser_main_thread.h"
#include "tests/support/page_engine/page_document.h"
#include "tests/support/page_engine/page_script.h"

#include <memory>
#include <string>
#include <vector>

namespace test_support {

// What a session needs of its bridge beyond the operations of its own kind of objects.
class PageBridge {
public:
    virtual ~PageBridge() = default;
    // The references dropped proxies gave up are released.
    virtual void releaseDroppedReferences() = 0;
    // Cuts every proxy loose from its object and gives up its reference.
    virtual void disconnectProxies() = 0;
    // The page's heap is about to go: proxies are cut loose and page objects forget their script
    // values, so that neither reaches the heap again.
    virtual void detachPage() = 0;
};

class PageSession {
public:
    PageSession(BrowserMainThread& mainThread, BrowserFaults& faults);
    virtual ~PageSession();
    PageSession(const PageSession&) = delete;
    PageSession& operator=(const PageSession&) = delete;

    // Runs the scripts before the plug-in, makes the plug-in for the page's element, then runs the
    // scripts after it. Throws std::runtime_error when the plug-in cannot be made.
    void loadPage(PageDocument page);
    ScriptResult evaluate(const std::string& script);
    const std::vector<std::string>& consoleLines() const;
    // The plug-in's objects still alive once script's dropped proxies are collected and released.
    size_t liveObjects();
    // The safe point (after each message the pump dispatched, each script run).
    void settle();
    bool isMainThread() const { return mainThread_.isCurrent(); }
    void fault(std::string text) { faults_.record(std::move(text)); }

protected:
    virtual std::unique_ptr<PageBridge> makeBridge(PageScript& page) = 0;
    virtual void embedPlugin(const PluginElement& element) = 0;
    // Pushes the plug-in's object for its element; false, pushing nothing, while it gives none.
    virtual bool pushPluginObject() = 0;
    virtual size_t liveCount() = 0;
    // Lets the page go (the derived session calls it while its bridge's objects still live).
    void closePage();

    BrowserMainThread& mainThread_;
    BrowserFaults& faults_;
    PageDocument document_;
    std::unique_ptr<PageScript> page_;
    std::unique_ptr<PageBridge> bridge_;
    int elementKey_ = 0;  // the element as a plain script object, among the page's held values

private:
    void defineElement(const PluginElement& element);
    void runScripts(const std::vector<std::string>& scripts);
};

}  // namespace test_support
