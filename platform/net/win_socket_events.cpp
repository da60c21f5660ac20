// Socket events over eventfd and poll: each event is an eventfd that WSASetEvent makes readable,
// and a wait polls it together with the socket whose network events were selected for it.
#include "platform/base/kernel_object.h"
#include "platform/net/socket_descriptor.h"
#include "platform/net/unique_descriptor.h"
#include "platform/net/win_sockets.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace {

struct SocketEvent {
    explicit SocketEvent(platform::detail::UniqueDescriptor signalFd) : signal(std::move(signalFd)) {}

    // An eventfd, readable while WSASetEvent's signal stands; closed with the event.
    const platform::detail::UniqueDescriptor signal;
    int socket = -1;         // the socket whose network events also signal it; guarded by the table
    long networkEvents = 0;  // the selected ones
};

struct EventTable {
    std::mutex mutex;
    std::unordered_map<WSAEVENT, std::shared_ptr<SocketEvent>> events;
};

// Never destroyed: threads may still close events while the process runs its exit handlers.
EventTable& eventTable() {
    static EventTable* table = new EventTable;
    return *table;
}

// Under the table's lock.
std::shared_ptr<SocketEvent> findLocked(WSAEVENT event) {
    const auto found = eventTable().events.find(event);
    if (found == eventTable().events.end()) {
        errno = EINVAL;
        return nullptr;
    }
    return found->second;
}

std::shared_ptr<SocketEvent> find(WSAEVENT event) {
    std::lock_guard<std::mutex> hold(eventTable().mutex);
    return findLocked(event);
}

// Under the table's lock.
void forgetSocketLocked(int fd) {
    for (auto& entry : eventTable().events) {
        if (entry.second->socket == fd) {
            entry.second->socket = -1;
            entry.second->networkEvents = 0;
        }
    }
}

// What to poll the socket for, given the selected network events.
short pollEventsFor(long networkEvents) { return (networkEvents & FD_CONNECT) != 0 ? POLLOUT : 0; }

// A connect has ended, one way or the other.
bool connectEnded(short revents) { return (revents & (POLLOUT | POLLERR | POLLHUP)) != 0; }

// 0 once connected, else the POSIX reason. SO_ERROR is read once only; a socket that is not
// connected and has no pending error (a connect aborted by shutdown) has no peer.
int connectOutcome(int fd) {
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
    if (error != 0) return error;
    sockaddr_storage peer;
    socklen_t peerSize = sizeof peer;
    return ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) == 0 ? 0 : ENOTCONN;
}

// poll, retried after signals until the time-out (-1: none) has passed.
int pollRetried(std::vector<pollfd>& fds, DWORD timeout) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout);
    for (;;) {
        int wait = -1;
        if (timeout != WSA_INFINITE) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            wait = static_cast<int>(std::max<int64_t>(left.count(), 0));
        }
        const int ready = ::poll(fds.data(), fds.size(), wait);
        if (ready >= 0 || errno != EINTR) return ready;
    }
}

}  // namespace

namespace platform::detail {

void forgetSocketEvents(int fd) {
    std::lock_guard<std::mutex> hold(eventTable().mutex);
    forgetSocketLocked(fd);
}

}  // namespace platform::detail

WSAEVENT WSAAPI WSACreateEvent() {
    platform::detail::UniqueDescriptor signal(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!signal) return WSA_INVALID_EVENT;
    auto event = std::make_shared<SocketEvent>(std::move(signal));
    const WSAEVENT handle = reinterpret_cast<WSAEVENT>(platform::detail::nextHandleValue());
    std::lock_guard<std::mutex> hold(eventTable().mutex);
    eventTable().events.emplace(handle, std::move(event));
    return handle;
}

BOOL WSAAPI WSASetEvent(WSAEVENT event) {
    const auto found = find(event);
    const uint64_t one = 1;
    return found && ::write(found->signal.get(), &one, sizeof one) == sizeof one ? TRUE : FALSE;
}

BOOL WSAAPI WSAResetEvent(WSAEVENT event) {
    const auto found = find(event);
    if (!found) return FALSE;
    uint64_t count = 0;
    if (::read(found->signal.get(), &count, sizeof count) < 0 && errno != EAGAIN) return FALSE;
    return TRUE;
}

BOOL WSAAPI WSACloseEvent(WSAEVENT event) {
    std::lock_guard<std::mutex> hold(eventTable().mutex);
    if (eventTable().events.erase(event) == 0) {
        errno = EINVAL;
        return FALSE;
    }
    return TRUE;
}

int WSAAPI WSAEventSelect(SOCKET s, WSAEVENT event, long networkEvents) {
    int fd = -1;
    if (!platform::detail::toDescriptor(s, fd)) return SOCKET_ERROR;
    if ((networkEvents & ~static_cast<long>(FD_CONNECT)) != 0) {
        errno = EINVAL;
        return SOCKET_ERROR;
    }
    {
        std::lock_guard<std::mutex> hold(eventTable().mutex);
        if (networkEvents != 0 && !findLocked(event)) return SOCKET_ERROR;
        forgetSocketLocked(fd);
        if (networkEvents == 0) return 0;
        const auto chosen = findLocked(event);
        chosen->socket = fd;
        chosen->networkEvents = networkEvents;
    }
    int nonBlocking = 1;
    return ::ioctl(fd, FIONBIO, &nonBlocking) == 0 ? 0 : SOCKET_ERROR;
}

DWORD WSAAPI WSAWaitForMultipleEvents(DWORD count, const WSAEVENT* events, BOOL waitAll, DWORD timeout,
                                      BOOL /*alertable*/) {
    if (count == 0 || count > WSA_MAXIMUM_WAIT_EVENTS || events == nullptr || waitAll) {
        errno = EINVAL;
        return WSA_WAIT_FAILED;
    }
    std::vector<std::shared_ptr<SocketEvent>> watched;  // alive through the wait, even if closed meanwhile
    std::vector<pollfd> fds;
    std::vector<DWORD> indexOf;  // the event each pollfd stands for
    {
        std::lock_guard<std::mutex> hold(eventTable().mutex);
        for (DWORD i = 0; i < count; ++i) {
            auto event = findLocked(events[i]);
            if (!event) return WSA_WAIT_FAILED;
            fds.push_back({event->signal.get(), POLLIN, 0});
            indexOf.push_back(i);
            if (event->socket >= 0 && pollEventsFor(event->networkEvents) != 0) {
                fds.push_back({event->socket, pollEventsFor(event->networkEvents), 0});
                indexOf.push_back(i);
            }
            watched.push_back(std::move(event));
        }
    }
    const int ready = pollRetried(fds, timeout);
    if (ready < 0) return WSA_WAIT_FAILED;
    for (size_t k = 0; k < fds.size(); ++k) {
        if (fds[k].revents != 0)
            return WSA_WAIT_EVENT_0 + indexOf[k];  // pollfds are in event order: the lowest index wins
    }
    return WSA_WAIT_TIMEOUT;
}

int WSAAPI WSAEnumNetworkEvents(SOCKET s, WSAEVENT event, LPWSANETWORKEVENTS networkEvents) {
    int fd = -1;
    if (!platform::detail::toDescriptor(s, fd)) return SOCKET_ERROR;
    if (networkEvents == nullptr) {
        errno = EFAULT;
        return SOCKET_ERROR;
    }
    long selected = 0;
    {
        std::lock_guard<std::mutex> hold(eventTable().mutex);
        if (event != WSA_INVALID_EVENT && !findLocked(event)) return SOCKET_ERROR;
        for (const auto& entry : eventTable().events) {
            if (entry.second->socket == fd) selected = entry.second->networkEvents;
        }
    }
    std::memset(networkEvents, 0, sizeof *networkEvents);
    if ((selected & FD_CONNECT) != 0) {
        pollfd watch = {fd, POLLOUT, 0};
        if (::poll(&watch, 1, 0) > 0 && connectEnded(watch.revents)) {
            networkEvents->lNetworkEvents |= FD_CONNECT;
            const int outcome = connectOutcome(fd);
            networkEvents->iErrorCode[FD_CONNECT_BIT] = outcome == 0 ? 0 : platform::detail::winsockError(outcome);
        }
    }
    if (event != WSA_INVALID_EVENT) WSAResetEvent(event);
    return 0;
}
