// Test hooks of the Windows Sockets stand-in.
#pragma once

namespace platform {

// How many WSAStartup calls have not yet been matched by a WSACleanup.
int socketLibraryUsers();

}  // namespace platform
