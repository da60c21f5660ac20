// The ActiveX runner's command line.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace activex_page {

struct PageOptions {
    std::filesystem::path page;
    std::string query;                  // what window.location.search answers, "?" included
    std::filesystem::path out = ".";    // screenshots go here
    std::filesystem::path library;      // npVeltrin.so; empty: beside this program's build
    std::filesystem::path folder;       // answers the plug-in's folder pickers; empty: they cancel
    double seconds = 20;                // the longest run after loading
    double interval = 2;                // between two screenshots
    std::string until = "typeof session === 'object' && session.state === 'done'";
    std::string verdict = "typeof session === 'object' ? session.result : 'no session'";
};

// Throws std::invalid_argument with a message for a command line it cannot take.
PageOptions parseOptions(const std::vector<std::string>& arguments);
const char* usage();

}  // namespace activex_page
