#include "tools/page_viewer/viewer_page.h"

#include <QNetworkRequest>
#include <QWebSettings>

#include <cstdio>

namespace viewer {

namespace {

void printLine(const QString& line) {
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

}  // namespace

void refuse(const QString& target) {
    printLine(QStringLiteral("page_viewer: refused %1: the viewer opens local pages only").arg(target));
}

bool isLocal(const QUrl& url) {
    const QString scheme = url.scheme();
    return scheme == QLatin1String("file") || scheme == QLatin1String("data") || scheme == QLatin1String("about") ||
           scheme == QLatin1String("qrc");
}

QNetworkReply* LocalNetwork::createRequest(Operation operation, const QNetworkRequest& request,
                                           QIODevice* outgoingData) {
    if (isLocal(request.url())) return QNetworkAccessManager::createRequest(operation, request, outgoingData);
    refuse(request.url().toString());
    // A request for no URL fails at once, as a refused one should.
    return QNetworkAccessManager::createRequest(operation, QNetworkRequest(QUrl()), nullptr);
}

ViewerPage::ViewerPage(QObject* parent) : QWebPage(parent) {
    setNetworkAccessManager(new LocalNetwork(this));
    settings()->setAttribute(QWebSettings::PluginsEnabled, true);
    settings()->setAttribute(QWebSettings::JavascriptEnabled, true);
    // A local page may not reach out either: QtWebKit refuses its requests for remote resources.
    settings()->setAttribute(QWebSettings::LocalContentCanAccessRemoteUrls, false);
    // The media player hands a stream's URL to GStreamer, whose own sources (rtsp:, udp: ...)
    // connect without the network access manager; the camera is the plug-in's to play, not the
    // page's. Nor is any host name looked up ahead of a link being followed.
    settings()->setAttribute(QWebSettings::MediaEnabled, false);
    settings()->setAttribute(QWebSettings::MediaSourceEnabled, false);
    settings()->setAttribute(QWebSettings::DnsPrefetchEnabled, false);
}

void ViewerPage::javaScriptConsoleMessage(const QString& message, int, const QString&) {
    printLine(QStringLiteral("console: ") + message);
}

void ViewerPage::javaScriptAlert(QWebFrame*, const QString& message) { printLine(QStringLiteral("alert: ") + message); }

bool ViewerPage::javaScriptConfirm(QWebFrame*, const QString& message) {
    printLine(QStringLiteral("confirm: ") + message);
    return true;
}

bool ViewerPage::javaScriptPrompt(QWebFrame*, const QString& message, const QString& defaultValue, QString* result) {
    printLine(QStringLiteral("prompt: ") + message);
    if (result) *result = defaultValue;
    return true;
}

bool ViewerPage::acceptNavigationRequest(QWebFrame* frame, const QNetworkRequest& request, NavigationType type) {
    if (!isLocal(request.url())) {
        refuse(request.url().toString());
        return false;
    }
    return QWebPage::acceptNavigationRequest(frame, request, type);
}

}  // namespace viewer
