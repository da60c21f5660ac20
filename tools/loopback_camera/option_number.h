// Whole numbers given on the loopback camera's command line.
#pragma once

#include <cstdlib>
#include <stdexcept>
#include <string>

// The decimal number the whole text spells, from lowest to highest; anything else is refused with
// a message that names the allowed range.
inline long OptionNumber(const std::string& text, long lowest, long highest) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < lowest || value > highest) {
        throw std::invalid_argument("not a number from " + std::to_string(lowest) + " to " + std::to_string(highest) +
                                    ": " + text);
    }
    return value;
}
