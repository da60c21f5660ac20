// Where a redirect's Location leads: the text as the server sent it, taken against the URL that
// was asked for, as a browser resolves it: an absolute URL as it is, "//host/..." in the same
// scheme, "/path" on the same host, anything else beside the last path segment. The Location
// comes from the network: any text is taken.
#pragma once

#include <string>

namespace platform {

std::wstring resolveUrl(const std::wstring& base, const std::wstring& location);

}  // namespace platform
