#include "tests/support/activex_container/stand_in_container.h"

#include <algorithm>

namespace test_support {

StandInContainer::StandInContainer()
    : mainThread_([this](const std::string& fault) { faults_.record(fault); },
                  [this] {
                      if (session_) session_->settle();
                  }) {
    mainThread_.run([this] { session_ = std::make_unique<ContainerSession>(mainThread_, faults_); });
}

StandInContainer::~StandInContainer() {
    mainThread_.run([this] { session_.reset(); });
}

void StandInContainer::useClassObject(LPFNGETCLASSOBJECT getClassObject) {
    mainThread_.run([this, getClassObject] { session_->setClassObjectSource(getClassObject); });
}

void StandInContainer::giveObjectSite(ObjectWithSite when) {
    mainThread_.run([this, when] { session_->setObjectWithSite(when); });
}

void StandInContainer::withoutQuickActivation() {
    mainThread_.run([this] { session_->setQuickActivation(false); });
}

void StandInContainer::loadPageFile(const std::filesystem::path& file) {
    PageDocument page = test_support::loadPageFile(file);
    mainThread_.run([this, &page] { session_->loadPage(std::move(page)); });
}

void StandInContainer::loadPage(std::string_view html, const std::filesystem::path& baseDirectory) {
    PageDocument page = loadPageText(html, baseDirectory);
    mainThread_.run([this, &page] { session_->loadPage(std::move(page)); });
}

bool StandInContainer::pumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    return mainThread_.pollUntil(condition, timeout);
}

ScriptResult StandInContainer::evaluate(const std::string& script) {
    return mainThread_.run([this, &script] { return session_->evaluate(script); });
}

std::vector<std::string> StandInContainer::consoleLines() {
    return mainThread_.run([this] { return session_->consoleLines(); });
}

bool StandInContainer::hasConsoleLine(const std::string& line) {
    const std::vector<std::string> lines = consoleLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

HWND StandInContainer::pluginWindow() {
    return mainThread_.run([this] { return session_->pluginWindow(); });
}

HRESULT StandInContainer::advise(const std::string& sinkExpression, DWORD& cookie) {
    return mainThread_.run([this, &sinkExpression, &cookie] { return session_->advise(sinkExpression, cookie); });
}

HRESULT StandInContainer::unadvise(DWORD cookie) {
    return mainThread_.run([this, cookie] { return session_->unadvise(cookie); });
}

void StandInContainer::shutdownControl() {
    mainThread_.run([this] { session_->shutdownControl(); });
}

size_t StandInContainer::liveObjectCount() {
    return mainThread_.run([this] { return session_->liveObjects(); });
}

}  // namespace test_support
