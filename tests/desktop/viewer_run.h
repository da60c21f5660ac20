// The page viewer run as a person or a script runs it, on the test's virtual display: a local page
// with its query, the viewer's options, its output read line by line while it runs, and its exit
// status once it has ended.
#pragma once

#include "tests/support/loopback_camera_program.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace desktop_test {

class ViewerRun {
public:
    ViewerRun(const std::filesystem::path& page, const std::string& query, std::vector<std::string> options);

    // The rest of the first line of output that starts with prefix, read so far or coming next;
    // nothing when the viewer ended or stayed silent for 10 s first.
    std::optional<std::string> waitFor(const std::string& prefix);
    // waitFor's rest of the line, or "" when none came.
    std::string valueAfter(const std::string& prefix) { return waitFor(prefix).value_or(""); }
    // Reads the output to its end and answers the exit status (-1 when the viewer did not end).
    int finish();

    const std::vector<std::string>& lines() const { return lines_; }
    // Everything read so far, a line each, for a failure's message.
    std::string transcript() const;
    bool said(const std::string& line) const;
    // The rest of every line that starts with prefix.
    std::vector<std::string> linesAfter(const std::string& prefix) const;

private:
    test_support::LoopbackCameraProgram program_;
    std::vector<std::string> lines_;
};

// The page's source folders: the example page and the test pages.
std::filesystem::path examplePage();
std::filesystem::path testPage(const std::string& name);

// A page script for --until that is true once condition (a script) has held for the time since it
// first did: the pictures of a page that plays have been painted by then.
std::string heldFor(const std::string& condition, int milliseconds);

// A query value with the characters a URL reserves escaped.
std::string queryValue(const std::string& text);

// Threads left once the page was gone that are neither the viewer's own nor GLib's process-wide
// workers: what a baseline run of the viewer on an empty page leaves is the viewer's own.
std::vector<std::string> threadsBeyond(const std::vector<std::string>& left, const std::vector<std::string>& baseline);
// What a run of the viewer on an empty page leaves, measured once per test program.
const std::vector<std::string>& baselineThreads();

}  // namespace desktop_test
