#include "host/uri.h"

#include <boost/lexical_cast.hpp>
#include <gtest/gtest.h>

#include <stdexcept>

using FB::URI;

TEST(UriParsing, SplitsEveryPartLowersSchemeAndHostAndKeepsLoginAndFragmentAsWritten) {
    URI uri = URI::fromString("HTTP://User@Camera.Example:8080/Live/Path?a=1&b=2#Frag%20x");
    EXPECT_EQ(uri.protocol, "http");
    EXPECT_EQ(uri.login, "User");
    EXPECT_EQ(uri.domain, "camera.example");
    EXPECT_EQ(uri.port, 8080);
    EXPECT_EQ(uri.path, "/Live/Path");
    EXPECT_EQ(uri.query_data, (std::map<std::string, std::string>{{"a", "1"}, {"b", "2"}}));
    EXPECT_EQ(uri.fragment, "Frag%20x");
    EXPECT_EQ(URI::fromString("rtsp://user@host:81/stream").port, 81);
    EXPECT_EQ(URI::fromString("rtsp://u@averylonghostname:0554/").port, 554);
}

TEST(UriParsing, AuthorityEndsAtEitherSeparatorWithOrWithoutScheme) {
    URI bare = URI::fromString("camera/a/b");
    EXPECT_EQ(bare.protocol, "");
    EXPECT_EQ(bare.domain, "camera");
    EXPECT_EQ(bare.path, "/a/b");
    EXPECT_EQ(URI::fromString("http://host").path, "/");
    URI backslash = URI::fromString("host\\x");
    EXPECT_EQ(backslash.domain, "host");
    EXPECT_EQ(backslash.path, "\\x");
}

TEST(UriParsing, FileSchemeKeepsWholeRemainderAsDecodedPath) {
    URI uri = URI::fromString("file://C:/My%20Dir/a.txt?x=1#top");
    EXPECT_EQ(uri.domain, "");
    EXPECT_EQ(uri.path, "C:/My Dir/a.txt");
    EXPECT_EQ(uri.query_data.at("x"), "1");
    EXPECT_EQ(uri.fragment, "top");
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

TEST(UriParsing, DecodesOnlyCompletePercentEscapesAndQueryPairs) {
    EXPECT_EQ(URI::url_decode("a%41"), "aA");
    EXPECT_EQ(URI::url_decode("a%4"), "a%4");
    EXPECT_EQ(URI::url_decode("a%"), "a%");
    EXPECT_EQ(URI::url_decode("%zz+b"), "%zz+b");
    URI uri = URI::fromString("http://h/p?a=1&b&c=3=4&a=5&d%3D=%26");
    EXPECT_EQ(uri.query_data,
              (std::map<std::string, std::string>{{"a", "5"}, {"b", ""}, {"c", "3"}, {"d=", "&"}}));
}
