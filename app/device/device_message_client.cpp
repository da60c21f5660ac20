#include "app/device/device_message_client.h"

#include "app/util/file_logger.h"

#include <algorithm>
#include <cassert>
#include <system_error>

namespace {

constexpr int kConnectAttempts = 5;
constexpr DWORD kReconnectPauseMs = 40;
// An unreachable camera answers nothing; a reachable one answers within milliseconds.
constexpr DWORD kConnectTimeoutMs = 3000;
constexpr int kWordSize = kDeviceWordSize;

void PutWord(char* at, uint32_t value) {
    for (int i = 0; i < kWordSize; ++i) at[i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

// A call interrupted by a signal has done nothing and is simply made again.
bool Interrupted(int result) { return result == SOCKET_ERROR && WSAGetLastError() == WSAEINTR; }

bool SendAll(SOCKET s, const char* data, int length) {
    while (length > 0) {
        const int sent = send(s, data, length, 0);
        if (Interrupted(sent)) continue;
        if (sent <= 0) return false;
        data += sent;
        length -= sent;
    }
    return true;
}

// recv until all `length` bytes have arrived; false when the connection breaks first.
bool ReceiveAll(SOCKET s, char* data, int length) {
    while (length > 0) {
        const int got = static_cast<int>(recv(s, data, length, 0));
        if (Interrupted(got)) continue;
        if (got <= 0) return false;
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
    if (socketsStarted_) WSACleanup();
}

int DeviceMessageClient::Start(const std::string& address, DeviceMessageCallback callback, void* user) {
    Stop();
    address_ = address;
    callback_ = callback;
    port_ = devicePort_;
    user_ = user;
    if (!stopRequested_.valid() || !WSAResetEvent(stopRequested_.get())) {
        Stop();
        return -1;
    }
    {
        std::lock_guard<std::mutex> hold(socketLock_);
        running_ = true;
        givenUp_ = false;
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
    assert(!reader_.joinable() || reader_.get_id() != std::this_thread::get_id());  // never from the callback
    WakeAndSignalStop();
    if (reader_.joinable()) reader_.join();
    CloseAfterStop();
    address_.clear();
    port_ = 0;
    callback_ = nullptr;
    user_ = nullptr;
}

bool DeviceMessageClient::ResumeIfGivenUp() {
    assert(!reader_.joinable() || reader_.get_id() != std::this_thread::get_id());  // never from the callback
    {
        std::lock_guard<std::mutex> hold(socketLock_);
        if (!running_ || !givenUp_) return false;
        givenUp_ = false;
    }
    if (reader_.joinable()) reader_.join();  // it has ended, or is about to
    try {
        reader_ = std::thread(&DeviceMessageClient::ReceiveLoop, this);
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> hold(socketLock_);
        givenUp_ = true;  // still given up: a later resume tries again
        return false;
    }
    return true;
}

// A blocked recv does not return when its socket is closed under it; shutting the socket down does
// wake it. A connection attempt or the pause before one waits for the stop event. The stop word goes
// out first, ahead of the end of the stream.
void DeviceMessageClient::WakeAndSignalStop() {
    std::lock_guard<std::mutex> hold(socketLock_);
    running_ = false;
    givenUp_ = false;
    if (stopRequested_.valid()) WSASetEvent(stopRequested_.get());
    if (socket_) {
        if (greeted_) {
            char stopWord[kWordSize];
            PutWord(stopWord, kDeviceGreetingWord);
            SendAll(socket_.get(), stopWord, kWordSize);
        }
        shutdown(socket_.get(), SD_BOTH);
    }
}

// Runs after the reader has ended, so nobody uses the socket any more.
void DeviceMessageClient::CloseAfterStop() {
    std::lock_guard<std::mutex> hold(socketLock_);
    socket_.reset();
    greeted_ = false;
}

SOCKET DeviceMessageClient::Connect(const std::string& address, uint16_t port) {
    sockaddr_in camera = {};
    camera.sin_family = AF_INET;
    camera.sin_addr.s_addr = inet_addr(address.c_str());
    camera.sin_port = htons(port);
    if (camera.sin_addr.s_addr == INADDR_NONE) return INVALID_SOCKET;

    OwnedSocket made(socket(AF_INET, SOCK_STREAM, 0));
    if (!made) return INVALID_SOCKET;
    // The link owns the socket from here; this thread goes on using it until it abandons it.
    const SOCKET s = made.get();
    if (!Publish(std::move(made))) return INVALID_SOCKET;
    if (!ConnectInTime(s, camera) || !Greet(s)) {
        FileLogger::Write("connect device %s:%u failed.", address.c_str(), static_cast<unsigned>(port));
        return Abandon(s);
    }
    return s;
}

// Connects without blocking and waits for the outcome, a stop or the time-out, whichever comes
// first, so that neither an unreachable camera nor a stop leaves the caller waiting. The socket is
// blocking again once connected.
bool DeviceMessageClient::ConnectInTime(SOCKET s, const sockaddr_in& camera) {
    SocketEvent connected;
    if (!connected.valid() || !stopRequested_.valid() || WSAEventSelect(s, connected.get(), FD_CONNECT) != 0)
        return false;
    if (connect(s, reinterpret_cast<const sockaddr*>(&camera), sizeof camera) == SOCKET_ERROR) {
        // An interrupted connect goes on by itself, as a non-blocking one does.
        const int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK && error != WSAEINTR) return false;
        const WSAEVENT events[] = {stopRequested_.get(), connected.get()};
        if (WSAWaitForMultipleEvents(2, events, FALSE, kConnectTimeoutMs, FALSE) != WSA_WAIT_EVENT_0 + 1) return false;
        WSANETWORKEVENTS outcome;
        if (WSAEnumNetworkEvents(s, connected.get(), &outcome) != 0 || (outcome.lNetworkEvents & FD_CONNECT) == 0 ||
            outcome.iErrorCode[FD_CONNECT_BIT] != 0)
            return false;
    }
    u_long blocking = 0;
    return WSAEventSelect(s, connected.get(), 0) == 0 && ioctlsocket(s, FIONBIO, &blocking) == 0;
}

// Sends the greeting and records that it went out in one step under the lock, so that a stop finds
// either a greeted link, which gets the stop word, or one that will never be greeted.
bool DeviceMessageClient::Greet(SOCKET s) {
    std::lock_guard<std::mutex> hold(socketLock_);
    if (!running_ || socket_.get() != s) return false;
    char greeting[2 * kWordSize];
    PutWord(greeting, kDeviceGreetingWord);
    PutWord(greeting + kWordSize, 0);
    greeted_ = SendAll(s, greeting, sizeof greeting);
    return greeted_;
}

bool DeviceMessageClient::IsRunning() {
    std::lock_guard<std::mutex> hold(socketLock_);
    return running_;
}

// The reader's end after too many failed reconnects, unless a stop came first.
bool DeviceMessageClient::GiveUp() {
    std::lock_guard<std::mutex> hold(socketLock_);
    givenUp_ = running_;
    return givenUp_;
}

// Makes s the link's socket so that a stop can wake whatever blocks on it; refused (and s closed)
// once stopping.
bool DeviceMessageClient::Publish(OwnedSocket s) {
    std::lock_guard<std::mutex> hold(socketLock_);
    if (!running_) return false;
    socket_ = std::move(s);
    greeted_ = false;
    return true;
}

// Gives up a broken socket. While running the reader closes it itself; once a stop has begun the
// socket is left to the stop, which closes it after the reader has ended.
SOCKET DeviceMessageClient::Abandon(SOCKET s) {
    std::lock_guard<std::mutex> hold(socketLock_);
    if (running_ && socket_.get() == s) {
        socket_.reset();
        greeted_ = false;
    }
    return INVALID_SOCKET;
}

// The pause before every reconnect, also after a connection that broke at once, so that a camera
// that accepts and closes cannot make the link spin. False when a stop came meanwhile.
bool DeviceMessageClient::PauseBeforeReconnect() {
    const WSAEVENT stop = stopRequested_.get();
    return WSAWaitForMultipleEvents(1, &stop, FALSE, kReconnectPauseMs, FALSE) == WSA_WAIT_TIMEOUT;
}

void DeviceMessageClient::ReceiveLoop() {
    DeviceMessageBuffer buffer;
    int failures = 0;
    SOCKET s;
    {
        std::lock_guard<std::mutex> hold(socketLock_);
        s = socket_.get();
    }
    while (IsRunning()) {
        if (s == INVALID_SOCKET) {
            if (!PauseBeforeReconnect()) return;
            s = Connect(address_, port_);
            if (s == INVALID_SOCKET) {
                if (++failures >= kConnectAttempts && GiveUp()) {
                    FileLogger::Write("reconnect failed %d times, device link given up.", failures);
                    return;  // until the next start or resume
                }
                continue;
            }
            failures = 0;
        }
        if (!ReceiveMessage(s, buffer)) s = Abandon(s);  // the half-read message is dropped; the next pass reconnects
    }
}

// Reads one message and hands it on. False when the connection broke or sent a length below 1.
bool DeviceMessageClient::ReceiveMessage(SOCKET s, DeviceMessageBuffer& buffer) {
    return ReadDeviceMessage([s](char* data, int length) { return ReceiveAll(s, data, length); }, buffer,
                             [this](int type, const char* body, int length) { Deliver(type, body, length); },
                             &FileLogger::Write);
}

void DeviceMessageClient::Deliver(int type, const char* body, int length) {
    if (callback_ == nullptr) return;
    FileLogger::Write("receive msg callback, cmd: %d, len: %d in...", type, length);
    callback_(type, body, length, user_);
    FileLogger::Write("receive msg callback, cmd: %d, len: %d out.", type, length);
}
