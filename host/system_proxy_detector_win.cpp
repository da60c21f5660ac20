#include "host/system_proxy_detector_win.h"

#include "host/framework_log.h"
#include "host/uri.h"
#include "platform/base/win_error.h"
#include "platform/net/win_inet.h"
#include "platform/base/win_message_text.h"
#include "scripting/utf8_tools.h"

#include <boost/algorithm/string/split.hpp>

#include <memory>
#include <stdexcept>
#include <vector>

namespace FB {

namespace {

std::vector<std::string> splitAt(const std::string& text, char separator) {
    std::vector<std::string> parts;
    boost::algorithm::split(parts, text, [separator](char c) { return c == separator; });
    return parts;
}

std::string systemMessage(DWORD code) {
    LPSTR buffer = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    std::string text = (length != 0 && buffer) ? std::string(buffer, length) : std::string();
    if (buffer) LocalFree(buffer);
    return text;
}

// The process's proxy configuration, in a buffer that also holds its strings.
std::unique_ptr<BYTE[]> queryProxyInfo() {
    DWORD size = 0;
    InternetQueryOptionW(nullptr, INTERNET_OPTION_PROXY, nullptr, &size);
    if (size < sizeof(INTERNET_PROXY_INFO)) size = sizeof(INTERNET_PROXY_INFO);
    std::unique_ptr<BYTE[]> buffer(new BYTE[size]());
    if (!InternetQueryOptionW(nullptr, INTERNET_OPTION_PROXY, buffer.get(), &size)) {
        throw std::runtime_error(std::string("InternetQueryOption(INTERNET_OPTION_PROXY)") + ": " +
                                 systemMessage(GetLastError()));
    }
    return buffer;
}

}  // namespace

void SystemProxyDetectorWin::applyProxyList(std::map<std::string, std::string>& settings, const std::string& proxyList,
                                            const std::string& protocol) {
    for (const std::string& entry : splitAt(proxyList, ' ')) {
        std::vector<std::string> parts = splitAt(entry, '=');
        if (parts.size() == 1) parts.insert(parts.begin(), "http");  // bare host:port is http
        std::vector<std::string> hostParts = splitAt(parts[1], ':');
        if (hostParts.size() < 2) continue;
        bool applies = parts[0] == protocol || (settings.count("type") == 0 && parts[0] == "socks");
        if (!applies) continue;
        settings["port"] = hostParts[1];
        settings["hostname"] = hostParts[0];
        settings["type"] = parts[0];
    }
}

bool SystemProxyDetectorWin::detectProxy(std::map<std::string, std::string>& settings, const std::string& url) {
    try {
        settings.clear();
        std::unique_ptr<BYTE[]> buffer = queryProxyInfo();
        const auto* info = reinterpret_cast<const INTERNET_PROXY_INFO*>(buffer.get());
        if (info->dwAccessType == INTERNET_OPEN_TYPE_PROXY && info->lpszProxy) {
            std::string protocol = URI::fromString(url).protocol;
            applyProxyList(settings, wideToUtf8(info->lpszProxy), protocol);
        }
        return settings.count("type") != 0;
    } catch (const std::exception& e) {
        frameworkLog("SystemProxyDetector", std::string("Could not detect system proxy: ") + e.what());
        return false;
    }
}

}  // namespace FB
