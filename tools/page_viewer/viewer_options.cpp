#include "tools/page_viewer/viewer_options.h"

#include <QDir>
#include <QFileInfo>

#include <stdexcept>

namespace viewer {

namespace {

double secondsOf(const std::string& text) {
    size_t used = 0;
    double seconds = -1;
    try {
        seconds = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || !(seconds >= 0) || seconds > 24 * 3600)
        throw std::invalid_argument("not a number of seconds: " + text);
    return seconds;
}

void parseSize(const std::string& text, ViewerOptions& options) {
    const size_t x = text.find('x');
    int width = 0;
    int height = 0;
    try {
        width = x == std::string::npos ? 0 : std::stoi(text.substr(0, x));
        height = x == std::string::npos ? 0 : std::stoi(text.substr(x + 1));
    } catch (const std::exception&) {
        width = 0;
    }
    if (width < 64 || height < 64 || width > 8192 || height > 8192)
        throw std::invalid_argument("size must be WxH, each 64 to 8192: " + text);
    options.width = width;
    options.height = height;
}

TimedShot timedShot(const std::string& text) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos || colon + 1 == text.size())
        throw std::invalid_argument("a timed screenshot is SECONDS:FILE: " + text);
    return TimedShot{secondsOf(text.substr(0, colon)), QString::fromStdString(text.substr(colon + 1))};
}

}  // namespace

QUrl localPage(const QString& text) {
    const QUrl asUrl(text);
    if (asUrl.scheme() == QLatin1String("file")) return asUrl;
    if (!asUrl.scheme().isEmpty() && asUrl.scheme().size() > 1) return QUrl();  // another scheme
    const int question = text.indexOf('?');
    QUrl page = QUrl::fromLocalFile(QFileInfo(question < 0 ? text : text.left(question)).absoluteFilePath());
    if (question >= 0) page.setQuery(text.mid(question + 1));
    return page;
}

ViewerOptions parseOptions(const std::vector<std::string>& arguments) {
    ViewerOptions options;
    QString page;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= arguments.size()) throw std::invalid_argument(arg + " needs a value");
            return arguments[++i];
        };
        if (arg == "--size") {
            parseSize(value(), options);
        } else if (arg == "--time") {
            options.seconds = secondsOf(value());
        } else if (arg == "--until") {
            options.until = QString::fromStdString(value());
        } else if (arg == "--eval") {
            options.scripts.push_back(QString::fromStdString(value()));
        } else if (arg == "--shot") {
            options.shots.push_back(timedShot(value()));
        } else if (arg == "--screenshot") {
            options.finalShot = QString::fromStdString(value());
        } else if (arg == "--verdict") {
            options.verdict = QString::fromStdString(value());
        } else if (arg == "--folder") {
            options.folder = QDir(QString::fromStdString(value())).absolutePath();
        } else if (arg == "--list-threads") {
            options.listThreads = true;
        } else if (!arg.empty() && arg[0] == '-') {
            throw std::invalid_argument("unknown option " + arg);
        } else if (page.isEmpty()) {
            page = QString::fromStdString(arg);
        } else {
            throw std::invalid_argument("one page only: " + arg);
        }
    }
    if (page.isEmpty()) throw std::invalid_argument("no page given");
    options.page = localPage(page);
    if (!options.page.isValid() || !options.page.isLocalFile())
        throw std::invalid_argument("not a local page: " + page.toStdString());
    if (!options.until.isEmpty() && !options.seconds) options.seconds = 60;
    return options;
}

const char* usage() {
    return "usage: page_viewer [options] PAGE\n"
           "  PAGE                 a local HTML file, as a path or a file: URL, with an optional ?query\n"
           "  --size WxH           the page's window size (default 1024x768)\n"
           "  --time SECONDS       end this long after the start, loaded or not (default: when the window closes)\n"
           "  --until SCRIPT       end as soon as SCRIPT is true in the page (--time is then the limit,\n"
           "                       60 s unless given)\n"
           "  --eval SCRIPT        run SCRIPT in the page once it has loaded and print its result (repeatable)\n"
           "  --shot SECONDS:FILE  save a PNG screenshot of the page that long after the start (repeatable)\n"
           "  --screenshot FILE    save a PNG screenshot of the page when ending\n"
           "  --verdict SCRIPT     when ending, exit with 0 when SCRIPT gives true or \"pass\", else 1\n"
           "  --folder DIR         answer the plug-in's folder pickers with DIR instead of a dialog\n"
           "  --list-threads       once the page is gone, name the threads still running\n";
}

}  // namespace viewer
