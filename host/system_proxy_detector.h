// Which proxy the system would use for a URL, reduced to three settings: "type" (the scheme word
// of the matching entry, such as http or socks), "hostname" and "port".
#pragma once

#include <map>
#include <string>

namespace FB {

class SystemProxyDetector {
public:
    virtual ~SystemProxyDetector() = default;
    // True when a proxy applies; settings then holds the three keys.
    virtual bool detectProxy(std::map<std::string, std::string>& settings, const std::string& url) = 0;

    // The process-wide detector, made on first use and destroyed at exit.
    static SystemProxyDetector* get();
};

}  // namespace FB
