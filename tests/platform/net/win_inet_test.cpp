#include "platform/base/win_error.h"
#include "platform/net/win_inet.h"
#include "platform/net/win_inet_testing.h"
#include "platform/base/win_message_text.h"
#include "tests/support/internet_settings.h"
#include "tests/support/scoped_machine_folders.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// Asks for the size, then for the configuration in a buffer of that size.
std::unique_ptr<BYTE[]> queryProxy() {
    DWORD size = 0;
    EXPECT_FALSE(InternetQueryOptionW(nullptr, INTERNET_OPTION_PROXY, nullptr, &size));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    std::unique_ptr<BYTE[]> buffer(new BYTE[size]);
    EXPECT_TRUE(InternetQueryOptionW(nullptr, INTERNET_OPTION_PROXY, buffer.get(), &size));
    return buffer;
}

}  // namespace

TEST(InternetProxyOption, EnabledProxyGivesNamedListAndBypassInOneBufferOtherwiseDirectAccess) {
    test_support::ScopedMachineFolders folders;
    for (DWORD enable : {1, 0}) {
        test_support::writeInternetSettings(enable, L"http=p:3128 socks=s:1080", L"<local>");
        auto buffer = queryProxy();
        const auto* info = reinterpret_cast<const INTERNET_PROXY_INFO*>(buffer.get());
        const DWORD access = enable ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_DIRECT;
        EXPECT_EQ(info->dwAccessType, access);
        EXPECT_EQ(std::wstring(info->lpszProxy), enable ? L"http=p:3128 socks=s:1080" : L"");
        EXPECT_EQ(std::wstring(info->lpszProxyBypass), enable ? L"<local>" : L"");
    }
}

TEST(InternetProxyOption, SwitchedFailureIsRefusedWithItsErrorWhoseSystemTextIsAllocated) {
    DWORD size = 64;
    BYTE buffer[64];
    platform::testing::setInternetQueryOptionError(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(InternetQueryOptionW(nullptr, INTERNET_OPTION_PROXY, buffer, &size));
    platform::testing::setInternetQueryOptionError(0);
    LPSTR text = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM;
    DWORD length = FormatMessageA(flags, nullptr, GetLastError(), 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text, length), "Access is denied.\r\n");
    LocalFree(text);
    EXPECT_EQ(FormatMessageA(flags, nullptr, 123456, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr), 0u);
}
