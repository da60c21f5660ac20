// WinINet's process-wide options: only the proxy configuration, read from the current user's
// Internet Settings in the registry (ProxyEnable, ProxyServer, ProxyOverride).
#pragma once

#include "platform/base/win_types.h"

typedef LPVOID HINTERNET;

#define INTERNET_OPTION_PROXY 38

#define INTERNET_OPEN_TYPE_PRECONFIG 0
#define INTERNET_OPEN_TYPE_DIRECT 1
#define INTERNET_OPEN_TYPE_PROXY 3

#define ERROR_INTERNET_INVALID_OPTION 12009L
#define ERROR_INTERNET_BAD_OPTION_LENGTH 12010L

typedef struct {
    DWORD dwAccessType;
    LPCWSTR lpszProxy;        // named proxy list, for INTERNET_OPEN_TYPE_PROXY
    LPCWSTR lpszProxyBypass;  // hosts reached directly
} INTERNET_PROXY_INFO, *LPINTERNET_PROXY_INFO;

// With a null buffer (or one too small) answers FALSE, ERROR_INSUFFICIENT_BUFFER, and the needed
// size in *lpdwBufferLength. The strings of INTERNET_PROXY_INFO live inside the same buffer.
BOOL WINAPI InternetQueryOptionW(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer, LPDWORD lpdwBufferLength);
