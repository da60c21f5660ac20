// The camera page in the stand-in ActiveX container, as the binding's end-to-end tests load it: the
// plug-in's element with an "onload" handler that records what it was given, and `player` for the
// element in page script. Each test ends with the control shut down, no page object left alive and
// no call made on the container's objects off its main thread.
#pragma once

#include "tests/support/activex_container/stand_in_container.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

extern "C" HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object);

namespace activex_test {

inline std::string cameraPage(const std::string& script) {
    return R"(<html><body>
<script>var loadedWith = null; function pluginLoaded(p) { loadedWith = p; }</script>
<object id="player" type="application/x-veltrin" width="320" height="240">
  <param name="onload" value="pluginLoaded"/>
</object>
<script>var player = document.getElementById('player');)" +
           script + R"(</script>
</body></html>)";
}

class ContainerPageTest : public ::testing::Test {
protected:
    void load(const std::string& script = "") {
        container.useClassObject(DllGetClassObject);
        container.loadPage(cameraPage(script), ".");
        ASSERT_TRUE(container.pumpUntil([&] { return eval("loadedWith !== null") == "true"; }, std::chrono::seconds(5)))
            << ::testing::PrintToString(container.consoleLines());
    }
    std::string eval(const std::string& script) { return container.evaluate(script).text; }
    // What the script throws, as "message|description|source|number", or "no error".
    std::string errorOf(const std::string& script) {
        return eval("(function() { try { " + script +
                    "; return 'no error'; } catch (e) { return [e.message, e.description, e.source, e.number]"
                    ".join('|'); } })()");
    }
    void TearDown() override {
        container.shutdownControl();
        EXPECT_EQ(0u, container.liveObjectCount());
        EXPECT_EQ(std::vector<std::string>{}, container.faults());
    }

    test_support::StandInContainer container;
};

}  // namespace activex_test
