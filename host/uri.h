// A URL split into its parts. Parsing is lenient: only a scheme with characters other than letters
// and digits, or a port that is not a number from 0 to 65535, is rejected.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace FB {

class URI {
public:
    std::string protocol;                           // scheme, lower case; empty without "://"
    std::string login;                              // text before "@" in the authority, as written
    std::string domain;                             // host, lower case
    uint16_t port = 0;                              // 0 when absent
    std::string path;                               // percent-decoded
    std::map<std::string, std::string> query_data;  // decoded query pairs
    std::string fragment;                           // text after "#", as written

    // Throws std::runtime_error for a bad scheme and boost::bad_lexical_cast for a bad port.
    static URI fromString(const std::string& text);
    static std::string url_decode(const std::string& text);
    void parseQuery(const std::string& query);

private:
    void splitAuthority(std::string& rest);
};

}  // namespace FB
