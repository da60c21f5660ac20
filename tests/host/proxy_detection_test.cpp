#include "host/system_proxy_detector_win.h"
#include "platform/win_inet_testing.h"
#include "platform/win_registry.h"
#include "tests/support/host/test_browser_host.h"
#include "tests/support/internet_settings.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using Settings = std::map<std::string, std::string>;

namespace {

Settings apply(const std::string& list, const std::string& protocol) {
    Settings settings;
    FB::SystemProxyDetectorWin::applyProxyList(settings, list, protocol);
    return settings;
}

using test_support::writeInternetSettings;

}  // namespace

TEST(ProxyList, TheUrlsOwnSchemeWinsAndSocksOnlyFillsIn) {
    EXPECT_EQ(apply("http=p1:8080 https=p2:8443", "https"),
              (Settings{{"type", "https"}, {"hostname", "p2"}, {"port", "8443"}}));
    EXPECT_EQ(apply("socks=s:1080 http=p:3128", "http"),
              (Settings{{"type", "http"}, {"hostname", "p"}, {"port", "3128"}}));
    EXPECT_EQ(apply("socks=s:1080 http=p:3128", "ftp"),
              (Settings{{"type", "socks"}, {"hostname", "s"}, {"port", "1080"}}));
}

TEST(ProxyList, BareEntriesAreHttpAndEntriesWithoutPortOrEmptyAreSkipped) {
    EXPECT_EQ(apply("proxy:80", "http"), (Settings{{"type", "http"}, {"hostname", "proxy"}, {"port", "80"}}));
    EXPECT_TRUE(apply("http=proxy", "http").empty());
    EXPECT_EQ(apply("http=a:1  https=b:2", "https"), (Settings{{"type", "https"}, {"hostname", "b"}, {"port", "2"}}));
    EXPECT_TRUE(apply("", "http").empty());
}

TEST(SystemProxyDetection, ReadsTheUsersInternetSettings) {
    test_support::ScopedMachineFolders folders;
    FB::SystemProxyDetectorWin detector;
    Settings settings{{"stale", "x"}};
    EXPECT_FALSE(detector.detectProxy(settings, "http://camera/"));
    EXPECT_TRUE(settings.empty());

    writeInternetSettings(1, L"http=proxy.lan:3128 socks=s:1080");
    EXPECT_TRUE(detector.detectProxy(settings, "HTTP://camera/"));
    EXPECT_EQ(settings, (Settings{{"type", "http"}, {"hostname", "proxy.lan"}, {"port", "3128"}}));
    EXPECT_FALSE(detector.detectProxy(settings, "bad scheme://camera/"));

    writeInternetSettings(0, L"http=proxy.lan:3128");
    EXPECT_FALSE(detector.detectProxy(settings, "http://camera/"));
}

TEST(SystemProxyDetection, QueryFailureIsReportedAsNoProxy) {
    test_support::ScopedMachineFolders folders;
    writeInternetSettings(1, L"proxy:80");
    platform::testing::setInternetQueryOptionError(ERROR_ACCESS_DENIED);
    Settings settings;
    EXPECT_FALSE(FB::SystemProxyDetector::get()->detectProxy(settings, "http://camera/"));
    platform::testing::setInternetQueryOptionError(0);
    auto host = testsupport::TestBrowserHost::create();
    EXPECT_TRUE(host->detectProxySettings(settings, "http://camera/"));
    EXPECT_EQ(settings.at("hostname"), "proxy");
    host->shutdown();
}
