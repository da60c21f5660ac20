#include "tools/page_viewer/local_sockets.h"

#include "tools/page_viewer/viewer_page.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace viewer {
namespace {

using ConnectCall = int (*)(int, const sockaddr*, socklen_t);

// Whether the code at address belongs to the browser engine or to Qt's network library.
bool isEngineCode(const void* address) {
    Dl_info module{};
    if (dladdr(address, &module) == 0 || module.dli_fname == nullptr) return false;
    return std::strstr(module.dli_fname, "libQt5Network.so") != nullptr ||
           std::strstr(module.dli_fname, "libQt5WebKit.so") != nullptr;
}

QString describe(const sockaddr* address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address->sa_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(address);
        inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        return QStringLiteral("%1:%2").arg(QString::fromLatin1(text)).arg(ntohs(in->sin_port));
    }
    const auto* in6 = reinterpret_cast<const sockaddr_in6*>(address);
    inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
    return QStringLiteral("[%1]:%2").arg(QString::fromLatin1(text)).arg(ntohs(in6->sin6_port));
}

}  // namespace

// A caching proxy serves URL requests only: a socket that must connect through it cannot, and says
// so at once ("Operation on socket is not supported").
QList<QNetworkProxy> NoSocketsOut::queryProxy(const QNetworkProxyQuery& query) {
    if (query.queryType() == QNetworkProxyQuery::UrlRequest && isLocal(query.url())) {
        return {QNetworkProxy(QNetworkProxy::NoProxy)};
    }
    refuse(query.queryType() == QNetworkProxyQuery::UrlRequest
               ? query.url().toString()
               : QStringLiteral("%1:%2").arg(query.peerHostName()).arg(query.peerPort()));
    return {QNetworkProxy(QNetworkProxy::HttpCachingProxy, QStringLiteral("0.0.0.0"), 1)};
}

void refuseSocketsOut() { QNetworkProxyFactory::setApplicationProxyFactory(new NoSocketsOut); }

}  // namespace viewer

// Takes the place of the C library's connect() for the whole process; every call but the engine's
// to an internet address goes on to it.
extern "C" int connect(int socket, const sockaddr* address, socklen_t length) {
    static const auto next = reinterpret_cast<viewer::ConnectCall>(dlsym(RTLD_NEXT, "connect"));
    const bool internet = address != nullptr && (address->sa_family == AF_INET || address->sa_family == AF_INET6);
    if (internet && viewer::isEngineCode(__builtin_return_address(0))) {
        viewer::refuse(viewer::describe(address));
        errno = EACCES;
        return -1;
    }
    return next(socket, address, length);
}
