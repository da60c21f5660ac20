// The page viewer: opens a local page in QtWebKit with plug-ins enabled, in a window a person can
// use, prints the page's console messages and alerts, and for scripted runs takes scripts,
// screenshots, a time limit and the page's verdict from the command line. Times count from the
// viewer's start, so that a page that never finishes loading still ends.
//
//   page_viewer [--size WxH] [--time S] [--until SCRIPT] [--eval SCRIPT]... [--shot S:FILE]...
//               [--screenshot FILE] [--verdict SCRIPT] [--folder DIR] [--list-threads] PAGE
//
// Plug-ins are looked for in $QTWEBKIT_PLUGIN_PATH, which defaults to the desktop bridge's folder
// of this build.

#include "tools/page_viewer/local_sockets.h"
#include "tools/page_viewer/viewer_options.h"
#include "tools/page_viewer/viewer_session.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

namespace {

// The folder the desktop bridge is built into, beside this program's own.
void lookForPluginsBesideTheViewer(const char* program) {
    if (std::getenv("QTWEBKIT_PLUGIN_PATH")) return;
    const QString folder = QFileInfo(QString::fromLocal8Bit(program))
                               .absoluteDir()
                               .absoluteFilePath(QStringLiteral("../lib/desktop_plugins"));
    qputenv("QTWEBKIT_PLUGIN_PATH", QDir::cleanPath(folder).toLocal8Bit());
}

}  // namespace

int main(int argc, char** argv) {
    viewer::ViewerOptions options;
    try {
        options = viewer::parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "page_viewer: %s\n%s", error.what(), viewer::usage());
        return 2;
    }
    lookForPluginsBesideTheViewer(argv[0]);
    QApplication application(argc, argv);
    viewer::ViewerSession session(std::move(options));
    viewer::refuseSocketsOut();
    session.start();
    return application.exec();
}
