// The page as the viewer shows it: its console messages and alerts are printed (prompts and
// confirmations too, answered with their defaults), and it may go to local pages only; a link or
// a request elsewhere is refused with a message. QtWebKit is no longer maintained and the plug-in
// is native code, so nothing from outside this machine's files is loaded.
#pragma once

#include <QNetworkAccessManager>
#include <QWebPage>

namespace viewer {

// Whether the viewer loads the URL: local files and the page's own inline data.
bool isLocal(const QUrl& url);
// Prints that what the page asked for (a URL, or a host and port) was refused.
void refuse(const QString& target);

class LocalNetwork : public QNetworkAccessManager {
public:
    using QNetworkAccessManager::QNetworkAccessManager;

protected:
    QNetworkReply* createRequest(Operation operation, const QNetworkRequest& request, QIODevice* outgoingData) override;
};

class ViewerPage : public QWebPage {
public:
    explicit ViewerPage(QObject* parent);

protected:
    void javaScriptConsoleMessage(const QString& message, int lineNumber, const QString& sourceID) override;
    void javaScriptAlert(QWebFrame* frame, const QString& message) override;
    bool javaScriptConfirm(QWebFrame* frame, const QString& message) override;
    bool javaScriptPrompt(QWebFrame* frame, const QString& message, const QString& defaultValue,
                          QString* result) override;
    bool acceptNavigationRequest(QWebFrame* frame, const QNetworkRequest& request, NavigationType type) override;
};

}  // namespace viewer
