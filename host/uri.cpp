#include "host/uri.h"

#include <boost/lexical_cast.hpp>

#include <stdexcept>
#include <vector>

namespace FB {

namespace {

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool isAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string lowerCase(std::string text) {
    for (char& c : text) c = asciiLower(c);
    return text;
}

// Only plain decimal digits make a port; the numeric library would accept a sign and wrap "-1"
// around to 65535, which is never a port anyone wrote.
uint16_t parsePort(const std::string& text) {
    if (text.empty()) throw boost::bad_lexical_cast();
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') throw boost::bad_lexical_cast();
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > 65535) throw boost::bad_lexical_cast();
    }
    return static_cast<uint16_t>(value);
}

std::vector<std::string> splitAll(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        auto at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

}  // namespace

URI URI::fromString(const std::string& text) {
    URI uri;
    std::string rest = text;
    auto schemeEnd = rest.find("://");
    if (schemeEnd != std::string::npos) {
        uri.protocol = lowerCase(rest.substr(0, schemeEnd));
        rest.erase(0, schemeEnd + 3);
    }
    for (char c : uri.protocol) {
        if (!isAsciiAlnum(c)) throw std::runtime_error("URI: invalid characters in protocol part");
    }
    if (uri.protocol != "file") uri.splitAuthority(rest);

    auto hash = rest.find('#');
    if (hash != std::string::npos) {
        uri.fragment = rest.substr(hash + 1);
        rest.erase(hash);
    }
    auto question = rest.find('?');
    if (question != std::string::npos) {
        uri.parseQuery(rest.substr(question + 1));
        rest.erase(question);
    }
    uri.path = url_decode(rest);
    return uri;
}

// Takes the authority off the front of `rest`, leaving the path with its leading separator.
// A ":" anywhere after the login separates the port, so "user@host:81" has port 81.
void URI::splitAuthority(std::string& rest) {
    std::string authority;
    auto slash = rest.find_first_of("/\\");
    if (slash == std::string::npos) {
        authority = rest;
        rest = "/";
    } else {
        authority = rest.substr(0, slash);
        rest.erase(0, slash);
    }
    auto at = authority.find('@');
    if (at != std::string::npos) {
        login = authority.substr(0, at);
        authority.erase(0, at + 1);
    }
    auto colon = authority.find(':');
    if (colon != std::string::npos) {
        port = parsePort(authority.substr(colon + 1));
        authority.erase(colon);
    }
    domain = lowerCase(authority);
}

void URI::parseQuery(const std::string& query) {
    for (const std::string& pair : splitAll(query, '&')) {
        std::vector<std::string> parts = splitAll(pair, '=');
        if (parts.size() == 1) {
            query_data[url_decode(parts[0])] = "";
        } else {
            query_data[url_decode(parts[0])] = url_decode(parts[1]);
        }
    }
}

std::string URI::url_decode(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::string::size_type i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int high = hexValue(text[i + 1]);
            int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

}  // namespace FB
