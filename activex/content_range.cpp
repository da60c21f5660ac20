#include "activex/content_range.h"

#include <charconv>

namespace FB::ActiveX {

namespace {

// Decimal digits only, the whole of them, within 32 bits.
bool readNumber(std::string_view& text, uint32_t& number) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    if (error != std::errc() || stop == text.data()) return false;
    text.remove_prefix(static_cast<size_t>(stop - text.data()));
    return true;
}

bool take(std::string_view& text, char expected) {
    if (text.empty() || text.front() != expected) return false;
    text.remove_prefix(1);
    return true;
}

}  // namespace

std::optional<ContentRange> parseContentRange(std::string_view value) {
    constexpr std::string_view unit = "bytes ";
    if (value.substr(0, unit.size()) != unit) return std::nullopt;
    value.remove_prefix(unit.size());
    ContentRange range{};
    if (!readNumber(value, range.first) || !take(value, '-') || !readNumber(value, range.last) || !take(value, '/'))
        return std::nullopt;
    if (range.first > range.last) return std::nullopt;
    if (value == "*") return range;
    uint32_t total = 0;
    if (!readNumber(value, total) || !value.empty() || range.last >= total) return std::nullopt;
    return range;
}

}  // namespace FB::ActiveX
