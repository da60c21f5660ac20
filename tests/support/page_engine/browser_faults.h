// What the plug-in did wrong towards the browser, as the browser saw it: a browser function called
// off the main thread, an object released once too often, an identifier the browser never made, ...
// Recorded from any thread; a test ends by asserting that there is none.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace test_support {

class BrowserFaults {
public:
    void record(std::string fault) {
        std::lock_guard<std::mutex> lock(lock_);
        faults_.push_back(std::move(fault));
    }
    std::vector<std::string> all() const {
        std::lock_guard<std::mutex> lock(lock_);
        return faults_;
    }

private:
    mutable std::mutex lock_;
    std::vector<std::string> faults_;
};

}  // namespace test_support
