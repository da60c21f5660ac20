// One run of the viewer: the page in its window, the scripts, screenshots and time limit of the
// command line, and the ending: the last screenshot and the page's verdict are taken, then the
// page (and every plug-in in it) is torn down before the program exits.
#pragma once

#include "tools/page_viewer/viewer_options.h"

#include <QStringList>
#include <QTimer>
#include <QWebView>

#include <memory>

namespace viewer {

class ViewerSession {
public:
    explicit ViewerSession(ViewerOptions options);
    ~ViewerSession();
    ViewerSession(const ViewerSession&) = delete;
    ViewerSession& operator=(const ViewerSession&) = delete;

    // Shows the window and opens the page; the program's exit status comes with the ending.
    void start();

private:
    void loaded(bool ok);
    QString run(const QString& script);
    bool save(const QString& file);
    void end(int status);
    static QStringList threadNames();
    void listThreads();

    const ViewerOptions options_;
    std::unique_ptr<QWebView> view_;
    QTimer limit_;
    QTimer untilCheck_;
    bool loadedOnce_ = false;
    bool ending_ = false;
};

}  // namespace viewer
