// Windows Sockets over the POSIX socket calls.
//
// The calls that Winsock shares with POSIX (socket, connect, recv, shutdown, inet_addr, htons,
// setsockopt, sockaddr_in ...) are the system's own and are used as they are. This header adds what
// Winsock has on top of them: the SOCKET handle type and its sentinels, WSAStartup/WSACleanup,
// closesocket, WSAGetLastError, the SD_* shutdown codes, ioctlsocket and the socket events that
// let a thread wait for a connection and for a wake-up signal at once.
//
// send: Winsock's send takes (SOCKET, const char*, int, int) and never raises a signal. POSIX send
// raises SIGPIPE on a connection the peer has closed, which would kill the whole host process. The
// Winsock-typed send declared below is a separate overload (the C library's send is untouched); a
// call with a SOCKET, a char buffer and an int length, as Winsock code writes it, picks this
// overload, which adds MSG_NOSIGNAL to the flags. The process's signal dispositions are left alone:
// a library loaded into someone else's process must not change how that process handles SIGPIPE.
#pragma once

#include "platform/base/win_types.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#define WSAAPI

#ifndef MAKEWORD
#define MAKEWORD(low, high) ((WORD)(((BYTE)((low)&0xff)) | ((WORD)((BYTE)((high)&0xff))) << 8))
#endif
#ifndef LOBYTE
#define LOBYTE(w) ((BYTE)((w)&0xff))
#endif
#ifndef HIBYTE
#define HIBYTE(w) ((BYTE)(((w) >> 8) & 0xff))
#endif

typedef UINT_PTR SOCKET;

// A failed socket() gives -1, which converts to this value.
#define INVALID_SOCKET ((SOCKET)(~0))
#define SOCKET_ERROR (-1)

#define SD_RECEIVE 0
#define SD_SEND 1
#define SD_BOTH 2

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128

typedef struct WSAData {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[WSADESCRIPTION_LEN + 1];
    char szSystemStatus[WSASYS_STATUS_LEN + 1];
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
} WSADATA, *LPWSADATA;

// Error codes answered by WSAStartup and WSAGetLastError.
#define WSAEINTR 10004
#define WSAEACCES 10013
#define WSAEFAULT 10014
#define WSAEINVAL 10022
#define WSAEMFILE 10024
#define WSAEWOULDBLOCK 10035
#define WSAEINPROGRESS 10036
#define WSAEALREADY 10037
#define WSAENOTSOCK 10038
#define WSAEDESTADDRREQ 10039
#define WSAEMSGSIZE 10040
#define WSAEPROTOTYPE 10041
#define WSAENOPROTOOPT 10042
#define WSAEPROTONOSUPPORT 10043
#define WSAEOPNOTSUPP 10045
#define WSAEAFNOSUPPORT 10047
#define WSAEADDRINUSE 10048
#define WSAEADDRNOTAVAIL 10049
#define WSAENETDOWN 10050
#define WSAENETUNREACH 10051
#define WSAECONNABORTED 10053
#define WSAECONNRESET 10054
#define WSAENOBUFS 10055
#define WSAEISCONN 10056
#define WSAENOTCONN 10057
#define WSAESHUTDOWN 10058
#define WSAETIMEDOUT 10060
#define WSAECONNREFUSED 10061
#define WSAEHOSTUNREACH 10065
#define WSAVERNOTSUPPORTED 10092
#define WSANOTINITIALISED 10093

// Takes one reference on the socket library (versions up to 2.2 are supported) and fills *data.
// Returns 0, WSAVERNOTSUPPORTED for a requested major version of 0, or WSAEFAULT for a null data.
int WSAAPI WSAStartup(WORD versionRequested, LPWSADATA data);
// Drops one reference; SOCKET_ERROR when there is none to drop.
int WSAAPI WSACleanup();
// Shuts the connection down, then closes: a thread blocked in recv on the socket wakes with 0.
int WSAAPI closesocket(SOCKET s);
// The Winsock code of the calling thread's last failed socket call.
int WSAAPI WSAGetLastError();
// Winsock's send: like POSIX send, but a closed connection is an error, never a signal.
int WSAAPI send(SOCKET s, const char* buf, int len, int flags);

// ioctlsocket: FIONBIO only (*argp non-zero: non-blocking, zero: blocking).
int WSAAPI ioctlsocket(SOCKET s, long cmd, u_long* argp);

// Socket events. A WSAEVENT is a manual-reset event that WSASetEvent signals and that a socket's
// network events can signal too (WSAEventSelect); WSAWaitForMultipleEvents waits for any of several.
// Unlike the original, the stand-in reports a network event while the socket's state lasts rather
// than recording it once, and supports FD_CONNECT only: the completion (or failure) of a connect
// begun on a non-blocking socket. Only the WSA* calls take these handles.
typedef HANDLE WSAEVENT;
#define WSA_INVALID_EVENT ((WSAEVENT) nullptr)
#define WSA_MAXIMUM_WAIT_EVENTS 64
#define WSA_INFINITE 0xFFFFFFFFu
#define WSA_WAIT_EVENT_0 0x00000000u
#define WSA_WAIT_TIMEOUT 0x00000102u
#define WSA_WAIT_FAILED 0xFFFFFFFFu

#define FD_CONNECT_BIT 4
#define FD_CONNECT (1 << FD_CONNECT_BIT)
#define FD_MAX_EVENTS 10

typedef struct _WSANETWORKEVENTS {
    long lNetworkEvents;
    int iErrorCode[FD_MAX_EVENTS];
} WSANETWORKEVENTS, *LPWSANETWORKEVENTS;

// A new event, not signalled; WSA_INVALID_EVENT when none can be made.
WSAEVENT WSAAPI WSACreateEvent();
BOOL WSAAPI WSASetEvent(WSAEVENT event);
BOOL WSAAPI WSAResetEvent(WSAEVENT event);
BOOL WSAAPI WSACloseEvent(WSAEVENT event);
// Lets the socket's network events in the mask signal the event, replacing the socket's earlier
// choice, and makes the socket non-blocking. A mask of 0 cancels the choice (the event is then
// ignored); the socket stays non-blocking until ioctlsocket makes it blocking again.
int WSAAPI WSAEventSelect(SOCKET s, WSAEVENT event, long networkEvents);
// Waits until one of the events is signalled: WSA_WAIT_EVENT_0 + the lowest such index,
// WSA_WAIT_TIMEOUT, or WSA_WAIT_FAILED (unknown event, a count of 0 or above
// WSA_MAXIMUM_WAIT_EVENTS, or waitAll, which is not supported). Signals do not end the wait early.
DWORD WSAAPI WSAWaitForMultipleEvents(DWORD count, const WSAEVENT* events, BOOL waitAll, DWORD timeout, BOOL alertable);
// Which of the selected network events have happened on the socket, each with its Winsock error
// code (FD_CONNECT: 0 once connected, the reason when the connect failed); resets the event.
int WSAAPI WSAEnumNetworkEvents(SOCKET s, WSAEVENT event, LPWSANETWORKEVENTS networkEvents);
