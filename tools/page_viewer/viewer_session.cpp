#include "tools/page_viewer/viewer_session.h"

#include "tools/page_viewer/folder_answer.h"
#include "tools/page_viewer/viewer_page.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QWebFrame>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace viewer {

namespace {

void printLine(const QString& line) {
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

int milliseconds(double seconds) { return static_cast<int>(seconds * 1000.0); }

}  // namespace

ViewerSession::ViewerSession(ViewerOptions options) : options_(std::move(options)), view_(new QWebView) {
    view_->setPage(new ViewerPage(view_.get()));
    view_->resize(options_.width, options_.height);
    answerFolderPickers(options_.folder, view_.get());
    QObject::connect(view_.get(), &QWebView::loadFinished, [this](bool ok) { loaded(ok); });
    QObject::connect(view_.get(), &QWebView::titleChanged, [this](const QString& title) {
        view_->setWindowTitle(title.isEmpty() ? QStringLiteral("page viewer") : title);
    });
    limit_.setSingleShot(true);
    QObject::connect(&limit_, &QTimer::timeout, [this] { end(0); });
    QObject::connect(&untilCheck_, &QTimer::timeout, [this] {
        if (run(options_.until) == QLatin1String("true")) end(0);
    });
    // Closing the window ends the run as the time limit does.
    QObject::connect(qApp, &QApplication::lastWindowClosed, [this] { end(0); });
}

ViewerSession::~ViewerSession() = default;

void ViewerSession::start() {
    view_->show();
    printLine(QStringLiteral("page_viewer: window 0x%1").arg(view_->winId(), 0, 16));
    if (std::getenv("VELTRIN_PAINT_TIMING")) {
        const double now =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
        printLine(QStringLiteral("page_viewer: opening the page at %1 ms (steady clock)").arg(now, 0, 'f', 1));
    }
    // The time limit, the end condition and the timed screenshots count from here, not from the
    // end of loading: a page that never finishes loading (a stalled resource) still ends.
    for (const TimedShot& shot : options_.shots) {
        QTimer::singleShot(milliseconds(shot.seconds), view_.get(), [this, shot] { save(shot.file); });
    }
    if (options_.seconds) limit_.start(milliseconds(*options_.seconds));
    if (!options_.until.isEmpty()) untilCheck_.start(100);
    view_->load(options_.page);
}

void ViewerSession::loaded(bool ok) {
    if (loadedOnce_ || ending_) return;
    loadedOnce_ = true;
    if (!ok) {
        printLine(QStringLiteral("page_viewer: cannot load ") + options_.page.toString());
        end(2);
        return;
    }
    for (const QString& script : options_.scripts) printLine(QStringLiteral("eval: ") + run(script));
}

QString ViewerSession::run(const QString& script) {
    return view_->page()->mainFrame()->evaluateJavaScript(script).toString();
}

bool ViewerSession::save(const QString& file) {
    QImage image(view_->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    view_->render(&painter);
    painter.end();
    const bool saved = image.save(file, "PNG");
    printLine((saved ? QStringLiteral("page_viewer: screenshot ") : QStringLiteral("page_viewer: cannot write ")) +
              file);
    return saved;
}

// The threads of the process other than this one, by the names the system knows them by.
QStringList ViewerSession::threadNames() {
    const QString self = QString::number(static_cast<long long>(gettid()));
    QStringList names;
    for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (task == self) continue;
        QFile name(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        if (name.open(QIODevice::ReadOnly)) names << QString::fromLocal8Bit(name.readAll()).trimmed();
    }
    names.sort();
    return names;
}

// Libraries hand threads they no longer need back to pools that end them a moment later: the
// threads are named once they have stayed the same for half a second (5 s at most).
void ViewerSession::listThreads() {
    QElapsedTimer waited;
    waited.start();
    QStringList names = threadNames();
    QElapsedTimer unchanged;
    unchanged.start();
    while (unchanged.elapsed() < 500 && waited.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QStringList now = threadNames();
        if (now != names) {
            names = now;
            unchanged.restart();
        }
    }
    for (const QString& name : names) printLine(QStringLiteral("page_viewer: thread left: ") + name);
}

void ViewerSession::end(int status) {
    if (ending_) return;
    ending_ = true;
    limit_.stop();
    untilCheck_.stop();
    // What the page shows and says by now, loaded to its end or not.
    if (!options_.finalShot.isEmpty() && !save(options_.finalShot) && status == 0) status = 1;
    if (!options_.verdict.isEmpty() && status == 0) {
        const QString verdict = run(options_.verdict);
        printLine(QStringLiteral("page_viewer: verdict: ") + verdict);
        if (verdict != QLatin1String("true") && verdict != QLatin1String("pass")) status = 1;
    }
    printLine(QStringLiteral("page_viewer: closing"));
    // The page goes first, and with it every plug-in instance; the browser then unloads the
    // plug-in libraries it no longer uses, which takes a turn of the event loop.
    view_.reset();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 200) QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (options_.listThreads) listThreads();
    QApplication::exit(status);
}

}  // namespace viewer
