#include "tests/support/loopback_device_service.h"

#include "tests/support/device_records.h"

#include <utility>

namespace test_support {

namespace {

constexpr int32_t kAlarmText = 0;
constexpr int32_t kOsdRecord = 1;
constexpr uint32_t kStopWord = 123;
// A link greets as soon as it connects; this bounds how long a stop waits for one that does not.
constexpr auto kGreetingTimeout = std::chrono::seconds(1);
constexpr auto kOsdInterval = std::chrono::seconds(1);
// How long a serving thread may go without looking at the running flag.
constexpr auto kPoll = std::chrono::milliseconds(100);

}  // namespace

LoopbackDeviceService::LoopbackDeviceService(LoopbackDeviceServiceOptions options, Report report)
    : listener_(options.port, options.address),
      options_(std::move(options)),
      report_(std::move(report)),
      acceptor_([this] { AcceptLinks(); }) {}

LoopbackDeviceService::~LoopbackDeviceService() { Stop(); }

void LoopbackDeviceService::Stop() {
    running_ = false;
    if (acceptor_.joinable()) acceptor_.join();
    std::lock_guard<std::mutex> hold(linksLock_);
    for (LinkThread& link : links_) link.thread.join();
    links_.clear();
}

void LoopbackDeviceService::Tell(const std::string& line) const {
    if (report_) report_(line);
}

void LoopbackDeviceService::AcceptLinks() {
    while (running_) {
        DeviceLinkEnd link = listener_.acceptAnotherLink(kPoll);
        JoinFinishedLinks();
        if (!link.open()) continue;
        auto done = std::make_shared<std::atomic<bool>>(false);
        std::lock_guard<std::mutex> hold(linksLock_);
        links_.push_back({std::thread([this, done, end = std::move(link)]() mutable {
                              ServeLink(std::move(end));
                              *done = true;
                          }),
                          done});
    }
}

// A long run with many reconnects must not keep a thread object per link it ever served.
void LoopbackDeviceService::JoinFinishedLinks() {
    std::lock_guard<std::mutex> hold(linksLock_);
    for (auto it = links_.begin(); it != links_.end();) {
        if (*it->done) {
            it->thread.join();
            it = links_.erase(it);
        } else {
            ++it;
        }
    }
}

void LoopbackDeviceService::ServeLink(DeviceLinkEnd link) {
    if (!link.expectGreeting(kGreetingTimeout)) {
        Tell("device link: no greeting, connection dropped");
        return;
    }
    Tell("device link: connected");
    for (const DeviceMessage& record : options_.statusRecords) {
        if (!link.sendMessage(record.type, record.body)) return;
    }
    SendUntilStopped(link);
    Tell("device link: closed");
}

void LoopbackDeviceService::SendUntilStopped(DeviceLinkEnd& link) {
    using Clock = std::chrono::steady_clock;
    auto nextOsd = Clock::now();
    auto nextAlarm = Clock::now() + options_.alarmInterval;
    int alarms = 0;
    while (running_ && link.open()) {
        const std::string word = link.receiveBytes(4, kPoll);
        if (word.size() == 4 && decodeDeviceWord(word, 0) == kStopWord) {
            Tell("device link: stop word received");
            return;
        }
        const auto now = Clock::now();
        if (now >= nextOsd) {
            if (!link.sendMessage(kOsdRecord, encodeOsdRecord("Loopback camera"))) return;
            nextOsd = now + kOsdInterval;
        }
        if (options_.alarmInterval.count() > 0 && now >= nextAlarm) {
            const std::string text = "alarm " + std::to_string(++alarms);
            if (!link.sendMessage(kAlarmText, text + '\0')) return;
            Tell("device link: sent \"" + text + "\"");
            nextAlarm = now + options_.alarmInterval;
        }
    }
}

}  // namespace test_support
