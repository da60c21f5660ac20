// The detector over the system's WinINet proxy configuration.
#pragma once

#include "host/system_proxy_detector.h"

namespace FB {

class SystemProxyDetectorWin : public SystemProxyDetector {
public:
    bool detectProxy(std::map<std::string, std::string>& settings, const std::string& url) override;

    // Applies a named proxy list ("http=p:80 socks=s:1080 bare:8080") to a URL's scheme.
    static void applyProxyList(std::map<std::string, std::string>& settings, const std::string& proxyList,
                               const std::string& protocol);
};

}  // namespace FB
