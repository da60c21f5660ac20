// A redirect's Location resolved against the URL that was asked, as a browser resolves it.
#include "platform/net/url_resolution.h"

#include <gtest/gtest.h>

namespace {

TEST(UrlResolution, ALocationIsTakenAgainstTheURLAsked) {
    struct Case {
        const wchar_t* base;
        const wchar_t* location;
        const wchar_t* resolved;
    };
    for (const Case& test : {
             Case{L"http://h:8/a/b?q=1", L"https://o/x", L"https://o/x"},
             Case{L"http://h:8/a/b?q=1", L"//o/x", L"http://o/x"},
             Case{L"http://h:8/a/b?q=1", L"/x?y", L"http://h:8/x?y"},
             Case{L"http://h:8/a/b?q=/1", L"c", L"http://h:8/a/c"},
             Case{L"http://h:8", L"c", L"http://h:8/c"},
             Case{L"http://h:8?q", L"/c", L"http://h:8/c"},
             Case{L"no scheme", L"c", L"c"},
             Case{L"http://h/a", L"", L"http://h/"},
         }) {
        EXPECT_EQ(test.resolved, platform::resolveUrl(test.base, test.location)) << test.base << " + " << test.location;
    }
}

}  // namespace
