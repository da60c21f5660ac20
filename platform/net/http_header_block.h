// Reading a response's HTTP header block (status line first, then "Name: value" lines): the value
// of a header by name, compared without regard to case, as the binding answers QueryInfo. The
// block comes from the network: any text is taken, nothing is trusted.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The first header of that name, trimmed of blanks; nullopt when the block has none.
std::optional<std::string> httpHeaderValue(std::string_view block, std::string_view name);

}  // namespace platform
