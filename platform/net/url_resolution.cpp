#include "platform/net/url_resolution.h"

#include <cwctype>

namespace platform {

namespace {

// The length of "scheme:" at the start, or 0 when the text does not start with a scheme.
size_t schemeLength(const std::wstring& url) {
    size_t at = 0;
    while (at < url.size() &&
           (std::iswalnum(static_cast<wint_t>(url[at])) || url[at] == L'+' || url[at] == L'-' || url[at] == L'.'))
        ++at;
    const bool scheme = at > 0 && at < url.size() && url[at] == L':' && std::iswalpha(static_cast<wint_t>(url[0]));
    return scheme ? at + 1 : 0;
}

}  // namespace

std::wstring resolveUrl(const std::wstring& base, const std::wstring& location) {
    if (schemeLength(location) > 0) return location;
    const size_t scheme = schemeLength(base);
    if (scheme == 0 || base.compare(scheme, 2, L"//") != 0) return location;
    if (location.compare(0, 2, L"//") == 0) return base.substr(0, scheme) + location;
    const size_t pathStart = std::min(base.find_first_of(L"/?#", scheme + 2), base.size());
    if (!location.empty() && location[0] == L'/') return base.substr(0, pathStart) + location;
    const std::wstring path = base.substr(0, std::min(base.find_first_of(L"?#", pathStart), base.size()));
    const size_t lastSlash = path.rfind(L'/');
    if (lastSlash == std::wstring::npos || lastSlash < pathStart) return path + L"/" + location;
    return path.substr(0, lastSlash + 1) + location;
}

}  // namespace platform
