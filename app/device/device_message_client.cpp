#include "app/device/device_message_client.h"

#include "app/util/file_logger.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace {

constexpr int kConnectAttempts = 5;
constexpr auto kReconnectPause = std::chrono::milliseconds(40);
constexpr int kWordSize = kDeviceWordSize;

void PutWord(char* at, uint32_t value) {
    for (int i = 0; i < kWordSize; ++i)
        at[i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

bool SendAll(SOCKET s, const char* data, int length) {
    while (length > 0) {
        const int sent = send(s, data, length, 0);
        if (sent <= 0)
            return false;
        data += sent;
        length -= sent;
    }
    return true;
}

// recv until all `length` bytes have arrived; false when the connection breaks first.
bool ReceiveAll(SOCKET s, char* data, int length) {
    while (length > 0) {
        const int got = static_cast<int>(recv(s, data, length, 0));
        if (got <= 0)
            return false;
        data += got;
        length -= got;
    }
    return true;
}

}  // namespace

DeviceMessageClient::DeviceMessageClient(uint16_t devicePort) : devicePort_(devicePort) {
    WSADATA data;
    socketsStarted_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

DeviceMessageClient::~DeviceMessageClient() {
    Stop();
    if (socketsStarted_)
        WSACleanup();
}

int DeviceMessageClient::Start(const std::string& address, DeviceMessageCallback callback, void* user) {
    Stop();
    address_ = address;
    callback_ = callback;
    port_ = devicePort_;
    user_ = user;
    {
        std::lock_guard<std::mutex> hold(socketLock_);
        running_ = true;
    }
    if (Connect(address_, port_) == INVALID_SOCKET) {
        Stop();
        return -1;
    }
    try {
        reader_ = std::thread(&DeviceMessageClient::ReceiveLoop, this);
    } catch (const std::system_error&) {
        Stop();  // no reader: the link is closed again rather than left half started
        return -1;
    }
    return 0;
}

void DeviceMessageClient::Stop() {
    WakeAndSignalStop();
    if (reader_.joinable())
        reader_.join();
    CloseAfterStop();
    address_.clear();
    port_ = 0;
    callback_ = nullptr;
    user_ = nullptr;
}

// A blocked recv or connect does not return when its socket is closed under it; shutting the
// socket down does wake it. The stop word goes out first, ahead of the end of the stream.
void DeviceMessageClient::WakeAndSignalStop() {
    std::lock_guard<std::mutex> hold(socketLock_);
    running_ = false;
    if (socket_ != INVALID_SOCKET) {
        if (greeted_) {
            char stopWord[kWordSize];
            PutWord(stopWord, kDeviceGreetingWord);
            SendAll(socket_, stopWord, kWordSize);
        }
        shutdown(socket_, SD_BOTH);
    }
    stopRequested_.notify_all();
}

// Runs after the reader has ended, so nobody uses the socket any more.
void DeviceMessageClient::CloseAfterStop() {
    std::lock_guard<std::mutex> hold(socketLock_);
    if (socket_ != INVALID_SOCKET)
        closesocket(socket_);
    socket_ = INVALID_SOCKET;
    greeted_ = false;
}

SOCKET DeviceMessageClient::Connect(const std::string& address, uint16_t port) {
    sockaddr_in camera = {};
    camera.sin_family = AF_INET;
    camera.sin_addr.s_addr = inet_addr(address.c_str());
    camera.sin_port = htons(port);
    if (camera.sin_addr.s_addr == INADDR_NONE)
        return INVALID_SOCKET;

    const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET)
        return INVALID_SOCKET;
    if (!Publish(s)) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    if (connect(s, reinterpret_cast<const sockaddr*>(&camera), sizeof camera) == SOCKET_ERROR)
        return Abandon(s);

    char greeting[2 * kWordSize];
    PutWord(greeting, kDeviceGreetingWord);
    PutWord(greeting + kWordSize, 0);
    if (!SendAll(s, greeting, sizeof greeting))
        return Abandon(s);
    MarkGreeted();
    return s;
}

bool DeviceMessageClient::IsRunning() {
    std::lock_guard<std::mutex> hold(socketLock_);
    return running_;
}

// Makes s the link's socket so that a stop can wake whatever blocks on it; refused once stopping.
bool DeviceMessageClient::Publish(SOCKET s) {
    std::lock_guard<std::mutex> hold(socketLock_);
    if (!running_)
        return false;
    socket_ = s;
    greeted_ = false;
    return true;
}

void DeviceMessageClient::MarkGreeted() {
    std::lock_guard<std::mutex> hold(socketLock_);
    greeted_ = true;
}

// Gives up a broken socket. While running the reader closes it itself; once a stop has begun the
// socket is left to the stop, which closes it after the reader has ended.
SOCKET DeviceMessageClient::Abandon(SOCKET s) {
    std::lock_guard<std::mutex> hold(socketLock_);
    if (running_ && socket_ == s) {
        closesocket(s);
        socket_ = INVALID_SOCKET;
        greeted_ = false;
    }
    return INVALID_SOCKET;
}

void DeviceMessageClient::WaitBeforeReconnect() {
    std::unique_lock<std::mutex> hold(socketLock_);
    stopRequested_.wait_for(hold, kReconnectPause, [this] { return !running_; });
}

void DeviceMessageClient::ReceiveLoop() {
    MessageBuffer buffer;
    int failures = 0;
    SOCKET s;
    {
        std::lock_guard<std::mutex> hold(socketLock_);
        s = socket_;
    }
    while (IsRunning()) {
        if (s == INVALID_SOCKET) {
            s = Connect(address_, port_);
            if (s == INVALID_SOCKET) {
                if (++failures >= kConnectAttempts)
                    return;  // given up until the next start
                WaitBeforeReconnect();
                continue;
            }
            failures = 0;
        }
        if (!ReceiveMessage(s, buffer))
            s = Abandon(s);  // the half-read message is dropped; the next pass reconnects
    }
}

// Reads one message and hands it on. False when the connection broke or sent a length below 1.
bool DeviceMessageClient::ReceiveMessage(SOCKET s, MessageBuffer& buffer) {
    return ReadDeviceMessage([s](char* data, int length) { return ReceiveAll(s, data, length); }, buffer,
                             [this](int type, const char* body, int length) { Deliver(type, body, length); },
                             &FileLogger::Write);
}

void DeviceMessageClient::Deliver(int type, const char* body, int length) {
    if (callback_ == nullptr)
        return;
    FileLogger::Write("receive msg callback, cmd: %d, len: %d in...", type, length);
    callback_(type, body, length, user_);
    FileLogger::Write("receive msg callback, cmd: %d, len: %d out.", type, length);
}
