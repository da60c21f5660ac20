#include "host/uri.h"

#include <boost/lexical_cast.hpp>
#include <gtest/gtest.h>

#include <stdexcept>

using FB::URI;

TEST(UriParsing, SplitsEveryPartAndLowersSchemeAndHost) {
    URI uri = URI::fromString("HTTP://User@Camera.Example:8080/Live/Path?a=1&b=2#Frag%20x");
    EXPECT_EQ(uri.protocol, "http");
    EXPECT_EQ(uri.login, "User");
    EXPECT_EQ(uri.domain, "camera.example");
    EXPECT_EQ(uri.port, 8080);
    EXPECT_EQ(uri.path, "/Live/Path");
    EXPECT_EQ(uri.query_data.at("a"), "1");
    EXPECT_EQ(uri.query_data.at("b"), "2");
    EXPECT_EQ(uri.fragment, "Frag%20x");
}

TEST(UriParsing, TextWithoutSchemeStillHasHostAndPath) {
    URI uri = URI::fromString("camera/a/b");
    EXPECT_EQ(uri.protocol, "");
    EXPECT_EQ(uri.domain, "camera");
    EXPECT_EQ(uri.path, "/a/b");
    EXPECT_EQ(uri.port, 0);
}

TEST(UriParsing, AuthorityWithoutSeparatorGetsRootPathAndBackslashEndsAuthority) {
    EXPECT_EQ(URI::fromString("http://host").path, "/");
    URI uri = URI::fromString("host\\x");
    EXPECT_EQ(uri.domain, "host");
    EXPECT_EQ(uri.path, "\\x");
}

TEST(UriParsing, FileSchemeKeepsWholeRemainderAsDecodedPath) {
    URI uri = URI::fromString("file://C:/My%20Dir/a.txt?x=1#top");
    EXPECT_EQ(uri.domain, "");
    EXPECT_EQ(uri.port, 0);
    EXPECT_EQ(uri.path, "C:/My Dir/a.txt");
    EXPECT_EQ(uri.query_data.at("x"), "1");
    EXPECT_EQ(uri.fragment, "top");
}

TEST(UriParsing, PortFollowsLoginWhateverTheirLengths) {
    URI uri = URI::fromString("rtsp://user@host:81/stream");
    EXPECT_EQ(uri.login, "user");
    EXPECT_EQ(uri.domain, "host");
    EXPECT_EQ(uri.port, 81);
    EXPECT_EQ(URI::fromString("rtsp://u@averylonghostname:554/").port, 554);
}

TEST(UriParsing, RejectsBadSchemeAndBadPorts) {
    EXPECT_THROW(URI::fromString("ht-tp://host/"), std::runtime_error);
    try {
        URI::fromString("a+b://host/");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "URI: invalid characters in protocol part");
    }
    EXPECT_THROW(URI::fromString("http://host:/"), boost::bad_lexical_cast);
    EXPECT_THROW(URI::fromString("http://host:-1/"), boost::bad_lexical_cast);
    EXPECT_THROW(URI::fromString("http://host:65536/"), boost::bad_lexical_cast);
    EXPECT_THROW(URI::fromString("http://host:80a/"), boost::bad_lexical_cast);
    EXPECT_THROW(URI::fromString("http://host:99999999999999999999/"), boost::bad_lexical_cast);
    EXPECT_EQ(URI::fromString("http://host:65535/").port, 65535);
}

TEST(UriParsing, DecodesOnlyCompletePercentEscapes) {
    EXPECT_EQ(URI::url_decode("a%41"), "aA");
    EXPECT_EQ(URI::url_decode("a%4"), "a%4");
    EXPECT_EQ(URI::url_decode("a%"), "a%");
    EXPECT_EQ(URI::url_decode("%zz+b"), "%zz+b");
    EXPECT_EQ(URI::url_decode("%e4%b8%ad"), "\xe4\xb8\xad");
}

TEST(UriParsing, QueryPairsKeepFirstValueAndEmptyKeys) {
    URI uri = URI::fromString("http://h/p?a=1&b&c=3=4&a=5&d%3D=%26");
    EXPECT_EQ(uri.query_data.at("a"), "5");
    EXPECT_EQ(uri.query_data.at("b"), "");
    EXPECT_EQ(uri.query_data.at("c"), "3");
    EXPECT_EQ(uri.query_data.at("d="), "&");
}
