// Between the Winsock calls and the POSIX descriptors beneath them. Internal to the platform library.
#pragma once

#include "platform/net/win_sockets.h"

namespace platform::detail {

// POSIX descriptors are ints; a SOCKET outside that range (INVALID_SOCKET among them) names none:
// false, with errno EBADF.
bool toDescriptor(SOCKET s, int& fd);
// The Winsock code of a POSIX error number.
int winsockError(int posixError);
// The descriptor is being closed: no event may watch it any more, since its number will be reused.
void forgetSocketEvents(int fd);

}  // namespace platform::detail
