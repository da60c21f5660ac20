#include "host/system_proxy_detector_win.h"
#include "platform/net/win_inet_testing.h"
#include "tests/support/host/test_browser_host.h"
#include "tests/support/internet_settings.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

using Settings = std::map<std::string, std::string>;

namespace {

Settings apply(const std::string& list, const std::string& protocol) {
    Settings settings;
    FB::SystemProxyDetectorWin::applyProxyList(settings, list, protocol);
    return settings;
}

Settings proxy(const std::string& type, const std::string& host, const std::string& port) {
    return {{"type", type}, {"hostname", host}, {"port", port}};
}

}  // namespace

TEST(ProxyList, SchemeEntryWinsSocksOnlyFillsInBareIsHttpAndIncompleteEntriesAreSkipped) {
    EXPECT_EQ(apply("http=p1:8080 https=p2:8443", "https"), proxy("https", "p2", "8443"));
    EXPECT_EQ(apply("socks=s:1080 http=p:3128", "http"), proxy("http", "p", "3128"));
    EXPECT_EQ(apply("socks=s:1080 http=p:3128", "ftp"), proxy("socks", "s", "1080"));
    EXPECT_EQ(apply("proxy:80", "http"), proxy("http", "proxy", "80"));
    EXPECT_EQ(apply("http=a:1  https=b:2", "https"), proxy("https", "b", "2"));
    EXPECT_TRUE(apply("http=proxy", "http").empty());
    EXPECT_TRUE(apply("", "http").empty());
}

TEST(SystemProxyDetection, ReadsTheUsersInternetSettingsAndReportsFailuresAsNoProxy) {
    test_support::ScopedMachineFolders folders;
    FB::SystemProxyDetectorWin detector;
    Settings settings{{"stale", "x"}};
    EXPECT_FALSE(detector.detectProxy(settings, "http://camera/"));
    EXPECT_TRUE(settings.empty());

    test_support::writeInternetSettings(1, L"http=proxy.lan:3128 socks=s:1080");
    EXPECT_TRUE(detector.detectProxy(settings, "HTTP://camera/"));
    EXPECT_EQ(settings, proxy("http", "proxy.lan", "3128"));
    EXPECT_FALSE(detector.detectProxy(settings, "bad scheme://camera/"));
    platform::testing::setInternetQueryOptionError(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(detector.detectProxy(settings, "http://camera/"));
    platform::testing::setInternetQueryOptionError(0);

    auto host = test_support::TestBrowserHost::create();
    EXPECT_TRUE(host->detectProxySettings(settings, "http://camera/"));
    test_support::writeInternetSettings(0, L"http=proxy.lan:3128");
    EXPECT_FALSE(detector.detectProxy(settings, "http://camera/"));
}
