// The engine opens some connections itself, past the network access manager that the viewer's
// pages load through: a WebSocket is a socket of its own. Two guards keep those in too:
// - every socket of Qt's network library asks the application's proxy factory which proxy to use
//   before it even looks its host up; the factory answers with a proxy that can carry no
//   connection, so the socket fails before anything leaves the machine;
// - Qt asks no proxy for a loopback address, so a connection that the engine or Qt's network
//   library makes to an internet address is refused where it is made, at connect().
// The plug-in's own connections (the camera's stream and device link) are made by other libraries
// and pass. Each refusal is printed as the viewer's other refusals are.
#pragma once

#include <QNetworkProxyFactory>

namespace viewer {

class NoSocketsOut : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override;
};

// Installs the proxy factory for the whole process (Qt owns it from then on).
void refuseSocketsOut();

}  // namespace viewer
