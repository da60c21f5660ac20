// URLs come from the page (stream requests) and from the system's proxy settings.
#include "host/uri.h"

#include <boost/lexical_cast.hpp>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const FB::URI uri = FB::URI::fromString(text);
        // Decoding never makes text longer (a URL without a path gets "/"), and the lower-cased parts
        // stay lower case.
        if (uri.path.size() > text.size() + 1 || uri.domain.size() > text.size()) __builtin_trap();
        for (char c : uri.protocol + uri.domain) {
            if (c >= 'A' && c <= 'Z') __builtin_trap();
        }
    } catch (const std::runtime_error&) {
        // a scheme with characters other than letters and digits
    } catch (const boost::bad_lexical_cast&) {
        // a port that is not a number from 0 to 65535
    }
    if (FB::URI::url_decode(text).size() > text.size()) __builtin_trap();
    return 0;
}
