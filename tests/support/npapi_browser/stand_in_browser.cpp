#include "tests/support/npapi_browser/stand_in_browser.h"

#include <algorithm>
#include <thread>

namespace test_support {

StandInBrowser::StandInBrowser(BrowserOptions options)
    : mainThread_([this](const std::string& fault) { faults_.record(fault); },
                  [this] {
                      if (session_) session_->settle();
                  }) {
    mainThread_.run(
        [this, &options] { session_ = std::make_unique<BrowserSession>(std::move(options), mainThread_, faults_); });
}

StandInBrowser::~StandInBrowser() {
    mainThread_.run([this] { session_.reset(); });
}

void StandInBrowser::loadPageFile(const std::filesystem::path& file) {
    PageDocument page = test_support::loadPageFile(file);
    mainThread_.run([this, &page] { session_->loadPage(std::move(page)); });
}

void StandInBrowser::loadPage(std::string_view html, const std::filesystem::path& baseDirectory) {
    PageDocument page = loadPageText(html, baseDirectory);
    mainThread_.run([this, &page] { session_->loadPage(std::move(page)); });
}

NPError StandInBrowser::instanceResult() {
    return mainThread_.run([this] { return session_->instanceResult(); });
}

bool StandInBrowser::pumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    return mainThread_.pollUntil(condition, timeout);
}

void StandInBrowser::pumpFor(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

ScriptResult StandInBrowser::evaluate(const std::string& script) {
    return mainThread_.run([this, &script] { return session_->evaluate(script); });
}

std::vector<std::string> StandInBrowser::consoleLines() {
    return mainThread_.run([this] { return session_->consoleLines(); });
}

bool StandInBrowser::hasConsoleLine(const std::string& line) {
    const std::vector<std::string> lines = consoleLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

HWND StandInBrowser::pluginWindow() {
    return mainThread_.run([this]() -> HWND {
        PluginInstance* instance = session_->instance();
        return instance ? instance->pluginWindow() : nullptr;
    });
}

platform::testing::SurfacePixels StandInBrowser::pluginPixels() {
    return mainThread_.run([this] {
        PluginInstance* instance = session_->instance();
        return instance ? platform::testing::readSurface(instance->pluginWindow()) : platform::testing::SurfacePixels{};
    });
}

NPError StandInBrowser::resizePlugin(int width, int height) {
    return mainThread_.run([this, width, height] { return session_->resizePlugin(width, height); });
}

void StandInBrowser::destroyInstance() {
    mainThread_.run([this] { session_->destroyInstance(); });
}

void StandInBrowser::shutdownPlugin() {
    mainThread_.run([this] { session_->shutdownPlugin(); });
}

size_t StandInBrowser::liveObjectCount() {
    return mainThread_.run([this] { return session_->liveObjects(); });
}

}  // namespace test_support
