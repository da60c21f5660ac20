#include "platform/net/win_sockets.h"
#include "platform/net/socket_descriptor.h"
#include "platform/net/win_sockets_testing.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace {

constexpr WORD kHighestVersion = MAKEWORD(2, 2);

std::mutex usersLock;
int users = 0;

void describe(WSADATA& data, WORD version) {
    std::memset(&data, 0, sizeof data);
    data.wVersion = version;
    data.wHighVersion = kHighestVersion;
    std::strncpy(data.szDescription, "WinSock 2.0", WSADESCRIPTION_LEN);
    std::strncpy(data.szSystemStatus, "Running", WSASYS_STATUS_LEN);
}

// The version both sides speak: the requested one, capped at the highest one offered.
WORD agreedVersion(WORD requested) {
    if (LOBYTE(requested) > 2 || (LOBYTE(requested) == 2 && HIBYTE(requested) > 2)) return kHighestVersion;
    return requested;
}

}  // namespace

namespace platform::detail {

bool toDescriptor(SOCKET s, int& fd) {
    if (s > static_cast<SOCKET>(INT_MAX)) {
        errno = EBADF;
        return false;
    }
    fd = static_cast<int>(s);
    return true;
}

}  // namespace platform::detail

using platform::detail::toDescriptor;

int WSAAPI WSAStartup(WORD versionRequested, LPWSADATA data) {
    if (LOBYTE(versionRequested) == 0) return WSAVERNOTSUPPORTED;
    if (data == nullptr) return WSAEFAULT;
    describe(*data, agreedVersion(versionRequested));
    std::lock_guard<std::mutex> hold(usersLock);
    ++users;
    return 0;
}

int WSAAPI WSACleanup() {
    std::lock_guard<std::mutex> hold(usersLock);
    if (users == 0) return SOCKET_ERROR;
    --users;
    return 0;
}

// POSIX close does not wake a thread blocked in recv on the same socket, as closesocket does on
// the original platform; shutting the connection down first does. A socket that is not connected
// answers ENOTCONN to shutdown, which changes nothing here.
int WSAAPI closesocket(SOCKET s) {
    int fd = -1;
    if (!toDescriptor(s, fd)) return SOCKET_ERROR;
    ::shutdown(fd, SHUT_RDWR);
    platform::detail::forgetSocketEvents(fd);
    return ::close(fd) == 0 ? 0 : SOCKET_ERROR;
}

int WSAAPI send(SOCKET s, const char* buf, int len, int flags) {
    int fd = -1;
    if (!toDescriptor(s, fd)) return SOCKET_ERROR;
    if (len < 0) {
        errno = EINVAL;
        return SOCKET_ERROR;
    }
    // The void* argument selects the C library's send, not this overload.
    const ssize_t sent = ::send(fd, static_cast<const void*>(buf), static_cast<size_t>(len), flags | MSG_NOSIGNAL);
    return sent < 0 ? SOCKET_ERROR : static_cast<int>(sent);
}

int WSAAPI ioctlsocket(SOCKET s, long cmd, u_long* argp) {
    int fd = -1;
    if (!toDescriptor(s, fd)) return SOCKET_ERROR;
    if (cmd != static_cast<long>(FIONBIO) || argp == nullptr) {
        errno = EINVAL;
        return SOCKET_ERROR;
    }
    int nonBlocking = *argp != 0 ? 1 : 0;
    return ::ioctl(fd, FIONBIO, &nonBlocking) == 0 ? 0 : SOCKET_ERROR;
}

int WSAAPI WSAGetLastError() { return platform::detail::winsockError(errno); }

namespace platform::detail {

int winsockError(int posixError) {
    switch (posixError) {
        case 0:
            return 0;
        case EINTR:
            return WSAEINTR;
        case EBADF:
            return WSAENOTSOCK;
        case ENOTSOCK:
            return WSAENOTSOCK;
        case EACCES:
            return WSAEACCES;
        case EFAULT:
            return WSAEFAULT;
        case EINVAL:
            return WSAEINVAL;
        case EMFILE:
            return WSAEMFILE;
        case EWOULDBLOCK:
            return WSAEWOULDBLOCK;
        // A connect begun on a non-blocking socket: Winsock says the call would have blocked.
        case EINPROGRESS:
            return WSAEWOULDBLOCK;
        case EALREADY:
            return WSAEALREADY;
        case EDESTADDRREQ:
            return WSAEDESTADDRREQ;
        case EMSGSIZE:
            return WSAEMSGSIZE;
        case EPROTOTYPE:
            return WSAEPROTOTYPE;
        case ENOPROTOOPT:
            return WSAENOPROTOOPT;
        case EPROTONOSUPPORT:
            return WSAEPROTONOSUPPORT;
        case EOPNOTSUPP:
            return WSAEOPNOTSUPP;
        case EAFNOSUPPORT:
            return WSAEAFNOSUPPORT;
        case EADDRINUSE:
            return WSAEADDRINUSE;
        case EADDRNOTAVAIL:
            return WSAEADDRNOTAVAIL;
        case ENETDOWN:
            return WSAENETDOWN;
        case ENETUNREACH:
            return WSAENETUNREACH;
        case ECONNABORTED:
            return WSAECONNABORTED;
        // A send on a connection the peer has closed: Winsock reports the reset.
        case EPIPE:
            return WSAECONNRESET;
        case ECONNRESET:
            return WSAECONNRESET;
        case ENOBUFS:
            return WSAENOBUFS;
        case EISCONN:
            return WSAEISCONN;
        case ENOTCONN:
            return WSAENOTCONN;
        case ESHUTDOWN:
            return WSAESHUTDOWN;
        case ETIMEDOUT:
            return WSAETIMEDOUT;
        case ECONNREFUSED:
            return WSAECONNREFUSED;
        case EHOSTUNREACH:
            return WSAEHOSTUNREACH;
        default:
            return WSAEINVAL;
    }
}

}  // namespace platform::detail

namespace platform {

int socketLibraryUsers() {
    std::lock_guard<std::mutex> hold(usersLock);
    return users;
}

}  // namespace platform
