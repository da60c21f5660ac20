#include "host/uri.h"

#include <boost/lexical_cast.hpp>
#include <gtest/gtest.h>

#include <stdexcept>

using FB::URI;

namespace {

// protocol|login|domain|port|path|fragment, then |key=value for each query pair.
std::string partsOf(const std::string& text) {
    URI uri = URI::fromString(text);
    std::string parts = uri.protocol + "|" + uri.login + "|" + uri.domain + "|" + std::to_string(uri.port) + "|" +
                        uri.path + "|" + uri.fragment;
    for (const auto& [key, value] : uri.query_data) parts += "|" + key + "=" + value;
    return parts;
}

}  // namespace

TEST(UriParsing, SplitsTextIntoItsParts) {
    const std::pair<const char*, const char*> cases[] = {
        {"HTTP://User@Camera.Example:8080/Live/Path?a=1&b=2#Frag%20x",
         "http|User|camera.example|8080|/Live/Path|Frag%20x|a=1|b=2"},
        {"rtsp://user@host:81/stream", "rtsp|user|host|81|/stream|"},
        {"rtsp://u@averylonghostname:0554", "rtsp|u|averylonghostname|554|/|"},
        {"camera/a/b", "||camera|0|/a/b|"},
        {"host\\x", "||host|0|\\x|"},
        {"file://C:/My%20Dir/a.txt?x=1#top", "file|||0|C:/My Dir/a.txt|top|x=1"},
        {"http://h/p?a=1&b&c=3=4&a=5&d%3D=%26", "http||h|0|/p||a=5|b=|c=3|d==&"},
        {"http://h/%41%e4%b8%ad+%zz/%4", "http||h|0|/A\xe4\xb8\xad+%zz/%4|"},
    };
    for (const auto& [text, parts] : cases) EXPECT_EQ(partsOf(text), parts) << text;
    EXPECT_EQ(URI::url_decode("a%41"), "aA");
    EXPECT_EQ(URI::url_decode("a%"), "a%");
}

TEST(UriParsing, RejectsBadSchemeAndPortsThatAreNotNumbersUpTo65535) {
    try {
        URI::fromString("a+b://host/");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "URI: invalid characters in protocol part");
    }
    for (const char* port : {"", "-1", "65536", "80a", "99999999999999999999"}) {
        EXPECT_THROW(URI::fromString(std::string("http://host:") + port + "/"), boost::bad_lexical_cast) << port;
    }
    EXPECT_EQ(URI::fromString("http://host:65535/").port, 65535);
}
