#include "tools/loopback_camera/device_peer_service.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr int32_t kAlarmText = 0;
constexpr int32_t kOsdRecord = 1;
constexpr size_t kOsdRecordSize = 187;
constexpr uint32_t kStopWord = 123;
constexpr auto kOsdInterval = std::chrono::seconds(1);
constexpr auto kPoll = std::chrono::milliseconds(100);

void PutLittleEndian(std::string& record, size_t at, uint32_t value, size_t size) {
    for (size_t i = 0; i < size; ++i) record[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

}  // namespace

std::string MakeOsdRecord(const std::string& location) {
    std::string record(kOsdRecordSize, '\0');
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    PutLittleEndian(record, 0, static_cast<uint32_t>(local.tm_wday), 2);
    PutLittleEndian(record, 2, static_cast<uint32_t>(local.tm_year + 1900), 2);
    record[4] = static_cast<char>(local.tm_mon + 1);
    record[5] = static_cast<char>(local.tm_mday);
    record[6] = static_cast<char>(local.tm_hour);
    record[7] = static_cast<char>(local.tm_min);
    record[8] = static_cast<char>(local.tm_sec);
    std::memcpy(&record[9], location.data(), std::min<size_t>(location.size(), 127));
    PutLittleEndian(record, 137, 1, 4);     // date format "%02d-%02d-%d"
    PutLittleEndian(record, 141, 0x1f, 4);  // date, time, weekday, channel and location shown
    PutLittleEndian(record, 145, 0, 2);     // channel one
    return record;
}

DevicePeerService::DevicePeerService(uint16_t port, std::chrono::seconds alarmInterval)
    : peer_(port), alarmInterval_(alarmInterval), thread_([this] { Serve(); }) {}

DevicePeerService::~DevicePeerService() { Stop(); }

void DevicePeerService::Stop() {
    running_ = false;
    if (thread_.joinable()) thread_.join();
}

void DevicePeerService::Serve() {
    while (running_) {
        if (!peer_.acceptLink(kPoll)) continue;
        if (!peer_.expectGreeting()) {
            std::printf("device link: no greeting, connection dropped\n");
            peer_.dropConnection();
            continue;
        }
        std::printf("device link: connected\n");
        std::fflush(stdout);
        ServeLink();
        peer_.dropConnection();
        std::printf("device link: closed\n");
        std::fflush(stdout);
    }
}

void DevicePeerService::ServeLink() {
    using Clock = std::chrono::steady_clock;
    auto nextOsd = Clock::now();
    auto nextAlarm = Clock::now() + alarmInterval_;
    int alarms = 0;
    while (running_ && peer_.linked()) {
        const std::string word = peer_.receiveBytes(4, kPoll);
        if (word.size() == 4 && test_support::LoopbackDevicePeer::decodeWord(word, 0) == kStopWord) {
            std::printf("device link: stop word received\n");
            return;
        }
        const auto now = Clock::now();
        if (now >= nextOsd) {
            if (!peer_.sendMessage(kOsdRecord, MakeOsdRecord("Loopback camera"))) return;
            nextOsd = now + kOsdInterval;
        }
        if (now >= nextAlarm) {
            const std::string text = "alarm " + std::to_string(++alarms);
            if (!peer_.sendMessage(kAlarmText, text + '\0')) return;
            std::printf("device link: sent \"%s\"\n", text.c_str());
            std::fflush(stdout);
            nextAlarm = now + alarmInterval_;
        }
    }
}
