// The page viewer's command line.
#pragma once

#include <QString>
#include <QUrl>

#include <optional>
#include <string>
#include <vector>

namespace viewer {

struct TimedShot {
    double seconds;  // after the viewer started
    QString file;
};

struct ViewerOptions {
    QUrl page;
    int width = 1024;
    int height = 768;
    std::optional<double> seconds;  // run for this long from the start, then end
    QString until;                  // end as soon as this script is true in the page
    std::vector<QString> scripts;   // run once the page has loaded, in order
    std::vector<TimedShot> shots;
    QString finalShot;
    QString verdict;
    QString folder;            // answers the plug-in's folder pickers; empty: a dialog
    bool listThreads = false;  // name the threads still running once the page is gone
};

// Throws std::invalid_argument with a message for a command line it cannot take.
ViewerOptions parseOptions(const std::vector<std::string>& arguments);
const char* usage();

// A local page from a path or a file: URL, with the query it may carry; empty for anything else.
QUrl localPage(const QString& text);

}  // namespace viewer
