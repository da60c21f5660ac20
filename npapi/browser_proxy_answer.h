// Reading the browser's answer to a proxy query for a URL ("DIRECT", "PROXY host:port",
// "SOCKS host:port", possibly followed by further entries after a semicolon).
#pragma once

#include <map>
#include <string>

namespace FB::Npapi {

// Fills settings "type", "hostname" and "port" from the first entry and answers true; a direct
// connection, or an entry without a host, answers false and leaves settings untouched.
bool readBrowserProxyAnswer(const std::string& answer, const std::string& url,
                            std::map<std::string, std::string>& settings);

}  // namespace FB::Npapi
