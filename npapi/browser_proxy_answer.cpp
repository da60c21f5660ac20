#include "npapi/browser_proxy_answer.h"

#include "host/uri.h"

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>

#include <exception>
#include <vector>

namespace FB::Npapi {

namespace {

std::vector<std::string> splitAt(const std::string& text, const char* separators) {
    std::vector<std::string> parts;
    boost::algorithm::split(parts, text, boost::algorithm::is_any_of(separators), boost::algorithm::token_compress_off);
    return parts;
}

// A plain proxy serves the protocol of the URL it was asked about.
std::string protocolOf(const std::string& url) {
    try {
        return URI::fromString(url).protocol;
    } catch (const std::exception&) {
        return std::string();
    }
}

}  // namespace

// Only the first entry is read; the port is the text after the colon up to the next blank, so a
// second entry after a semicolon leaves the semicolon on the port.
bool readBrowserProxyAnswer(const std::string& answer, const std::string& url,
                            std::map<std::string, std::string>& settings) {
    if (answer == "DIRECT") return false;
    const std::vector<std::string> parts = splitAt(answer, " ");
    if (parts.size() < 2 || parts[1].empty()) return false;
    const std::vector<std::string> address = splitAt(parts[1], ":");
    settings.clear();
    if (parts[0] == "PROXY") {
        settings["type"] = protocolOf(url);
    } else if (parts[0] == "SOCKS") {
        settings["type"] = "socks";
    } else {
        settings["type"] = parts[0];
    }
    settings["hostname"] = address[0];
    settings["port"] = address.size() > 1 ? address[1] : std::string();
    return true;
}

}  // namespace FB::Npapi
