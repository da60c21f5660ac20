// The TCP link to the camera: one connection to the camera's device port, greeted on every connect,
// read by a thread of its own that turns the byte stream into messages and hands each to a callback.
// A broken connection is re-established after a pause of 40 ms, and again 40 ms after each failed
// attempt, until five attempts in a row fail: the link then gives up until it is started or resumed
// again. No connection attempt lasts longer than a few seconds, and a stop ends one at once.
#pragma once

#include "app/device/device_message_framing.h"
#include "app/device/owned_socket.h"
#include "app/device/socket_event.h"
#include "platform/net/win_sockets.h"

#include <mutex>
#include <string>
#include <thread>

class DeviceMessageClient {
public:
    // The port is the camera's device port; another one only serves a local test camera.
    explicit DeviceMessageClient(uint16_t devicePort = kDeviceMessagePort);
    ~DeviceMessageClient();
    DeviceMessageClient(const DeviceMessageClient&) = delete;
    DeviceMessageClient& operator=(const DeviceMessageClient&) = delete;

    // Connects to the IPv4 address (dotted text) and starts the reader: 0, or -1 when the first
    // connection fails or the reader cannot start (nothing runs then). A link that is running is
    // stopped first.
    int Start(const std::string& address, DeviceMessageCallback callback, void* user);
    // Sends the stop word, ends the connection and the reader. Never call it from the callback.
    void Stop();
    // A link that gave up reconnecting starts over on a new reader, which reconnects to the same
    // camera as after a broken connection (five attempts); this call does not wait for it. True
    // when it did; a link that runs or was stopped is left as it is. Never from the callback.
    bool ResumeIfGivenUp();

private:
    SOCKET Connect(const std::string& address, uint16_t port);
    bool ConnectInTime(SOCKET s, const sockaddr_in& camera);
    bool Greet(SOCKET s);
    void ReceiveLoop();
    bool PauseBeforeReconnect();
    bool ReceiveMessage(SOCKET s, DeviceMessageBuffer& buffer);
    void Deliver(int type, const char* body, int length);

    bool IsRunning();
    bool GiveUp();
    bool Publish(OwnedSocket s);
    SOCKET Abandon(SOCKET s);
    void WakeAndSignalStop();
    void CloseAfterStop();

    // Guards the socket and the running flag, so that a stop and a reconnect never race: only the
    // holder of this lock publishes, greets on, shuts down or closes the socket.
    std::mutex socketLock_;
    // Signalled by a stop: ends a connection attempt or a pause before one.
    SocketEvent stopRequested_;
    OwnedSocket socket_;
    bool greeted_ = false;  // the greeting went out on socket_, so a stop word may follow it
    std::string address_;
    uint16_t port_ = 0;
    DeviceMessageCallback callback_ = nullptr;
    bool running_ = false;
    bool givenUp_ = false;  // the reader ended after five failed reconnects; running_ stays set
    std::thread reader_;
    void* user_ = nullptr;
    const uint16_t devicePort_;
    bool socketsStarted_ = false;
};
