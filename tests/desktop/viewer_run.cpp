#include "tests/desktop/viewer_run.h"

#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace desktop_test {

namespace {

std::filesystem::path sourceDir() {
    const char* source = std::getenv("VELTRIN_SOURCE_DIR");
    if (!source || !*source) throw std::runtime_error("VELTRIN_SOURCE_DIR is not set");
    return source;
}

std::vector<std::string> withPage(std::vector<std::string> options, const std::filesystem::path& page,
                                  const std::string& query) {
    options.push_back(page.string() + (query.empty() ? "" : "?" + query));
    return options;
}

// GLib starts these once for the whole process (its main-context worker, the settings back end,
// its shared thread pool) and keeps them to the end.
bool isGlibWorker(const std::string& name) {
    return name == "gmain" || name == "gdbus" || name == "dconf worker" || name.rfind("pool-", 0) == 0;
}

}  // namespace

ViewerRun::ViewerRun(const std::filesystem::path& page, const std::string& query, std::vector<std::string> options)
    : program_(withPage(std::move(options), page, query), "page_viewer") {}

std::optional<std::string> ViewerRun::waitFor(const std::string& prefix) {
    for (const std::string& line : lines_) {
        if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
    }
    for (;;) {
        std::string line = program_.ReadLine();
        if (line.empty()) return std::nullopt;
        lines_.push_back(line);
        if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
    }
}

int ViewerRun::finish() {
    // Lines come at least every few seconds while a page plays; a silence of 10 s ends the reading.
    for (std::string line; !(line = program_.ReadLine()).empty();) lines_.push_back(line);
    const int status = program_.Terminate();
    return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ViewerRun::transcript() const {
    std::string text = "page viewer's output:\n";
    for (const std::string& line : lines_) text += "  " + line + "\n";
    return text;
}

bool ViewerRun::said(const std::string& line) const {
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
}

std::vector<std::string> ViewerRun::linesAfter(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : lines_) {
        if (line.rfind(prefix, 0) == 0) found.push_back(line.substr(prefix.size()));
    }
    return found;
}

std::filesystem::path examplePage() { return sourceDir() / "examples" / "camera.html"; }

std::filesystem::path testPage(const std::string& name) { return sourceDir() / "tests" / "desktop" / "pages" / name; }

std::string heldFor(const std::string& condition, int milliseconds) {
    return "(function () { if (!(" + condition +
           ")) return false; window.heldSince = window.heldSince || Date.now();"
           " return Date.now() - window.heldSince > " +
           std::to_string(milliseconds) + "; })()";
}

std::string queryValue(const std::string& text) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string encoded;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '.' || c == '-' || c == '_' || c == '~') {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 15];
        }
    }
    return encoded;
}

std::vector<std::string> threadsBeyond(const std::vector<std::string>& left, const std::vector<std::string>& baseline) {
    std::vector<std::string> allowed = baseline;
    std::vector<std::string> beyond;
    for (const std::string& name : left) {
        if (isGlibWorker(name)) continue;
        auto kept = std::find(allowed.begin(), allowed.end(), name);
        if (kept != allowed.end()) {
            allowed.erase(kept);
        } else {
            beyond.push_back(name);
        }
    }
    return beyond;
}

const std::vector<std::string>& baselineThreads() {
    static const std::vector<std::string> baseline = [] {
        ViewerRun run(testPage("empty.html"), "", {"--time", "0.5", "--list-threads"});
        run.finish();
        return run.linesAfter("page_viewer: thread left: ");
    }();
    return baseline;
}

}  // namespace desktop_test
