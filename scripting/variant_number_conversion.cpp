// Lenient conversion of script values to numbers and truth values. A number of another width or
// signedness converts when it fits (floating values truncate toward zero); a boolean is 1 or 0; a
// text is read as a number from its start, ignoring what follows. Anything else fails with
// bad_variant_cast naming the stored and the requested type.
#include <algorithm>
#include <cmath>
#include <istream>
#include <sstream>
#include <string>
#include <type_traits>

#include <boost/numeric/conversion/cast.hpp>

#include "scripting/utf8_tools.h"
#include "scripting/variant.h"

namespace FB {
namespace {

// When the value holds a Source, converts it to Target with a range check and returns true.
template <typename Target, typename Source>
bool convertNumberFrom(const variant& value, Target& result) {
    if (value.type() != typeid(Source)) return false;
    const Source number = value.cast<Source>();
    if constexpr (std::is_floating_point_v<Source> && std::is_integral_v<Target>) {
        // NaN passes any range check, but casting it to an integer is undefined: give 0.
        if (std::isnan(number)) {
            result = 0;
            return true;
        }
    }
    try {
        result = boost::numeric_cast<Target>(number);
    } catch (const boost::numeric::bad_numeric_cast&) {
        throw bad_variant_cast(value.type(), typeid(Target));
    }
    return true;
}

template <typename Target>
bool convertFromAnyNumber(const variant& value, Target& result) {
    return convertNumberFrom<Target, char>(value, result) || convertNumberFrom<Target, unsigned char>(value, result) ||
           convertNumberFrom<Target, short>(value, result) ||
           convertNumberFrom<Target, unsigned short>(value, result) || convertNumberFrom<Target, int>(value, result) ||
           convertNumberFrom<Target, unsigned int>(value, result) || convertNumberFrom<Target, long>(value, result) ||
           convertNumberFrom<Target, unsigned long>(value, result) ||
           convertNumberFrom<Target, long long>(value, result) ||
           convertNumberFrom<Target, unsigned long long>(value, result) ||
           convertNumberFrom<Target, float>(value, result) || convertNumberFrom<Target, double>(value, result);
}

template <typename Number>
bool extractNumber(const std::string& text, Number& result) {
    std::istringstream stream(text);
    stream >> result;
    return !stream.fail() && !stream.bad();
}

bool startsWithMinus(const std::string& text) {
    std::istringstream stream(text);
    stream >> std::ws;
    return stream.peek() == '-';
}

// Reads a number from the start of the text: leading blanks are skipped and whatever follows the
// number is ignored; no number, or one outside Target's range, fails. Stream extraction takes a
// minus sign for an unsigned type and wraps the number around ("-1" would become the type's
// highest value), so negative text is read as a signed number: only a negative zero fits.
template <typename Target>
Target parseNumber(const std::string& text, const std::type_info& stored) {
    if constexpr (std::is_unsigned_v<Target>) {
        if (startsWithMinus(text)) {
            long long number = 0;
            if (!extractNumber(text, number) || number != 0) throw bad_variant_cast(stored, typeid(Target));
            return 0;
        }
    }
    Target result{};
    if (!extractNumber(text, result)) throw bad_variant_cast(stored, typeid(Target));
    return result;
}

template <typename Target>
Target toNumber(const variant& value) {
    const std::type_info& stored = value.type();
    if (stored == typeid(Target)) return value.cast<Target>();
    Target result{};
    if (convertFromAnyNumber(value, result)) return result;
    if (stored == typeid(bool)) return value.cast<bool>() ? 1 : 0;
    if (stored == typeid(std::string)) return parseNumber<Target>(value.cast<std::string>(), stored);
    if (stored == typeid(std::wstring)) {
        return parseNumber<Target>(wideToUtf8(value.cast<std::wstring>()), stored);
    }
    throw bad_variant_cast(stored, typeid(Target));
}

// "y", "1", "yes", "true" and "t", in any ASCII letter case, are true; every other text is false.
template <typename Char>
bool isTrueWord(std::basic_string<Char> text) {
    for (Char& c : text) {
        if (c >= Char('A') && c <= Char('Z')) c = static_cast<Char>(c - Char('A') + Char('a'));
    }
    static constexpr const char* trueWords[] = {"y", "1", "yes", "true", "t"};
    for (const char* word : trueWords) {
        if (std::equal(text.begin(), text.end(), word, word + std::char_traits<char>::length(word),
                       [](Char a, char b) { return a == static_cast<Char>(b); })) {
            return true;
        }
    }
    return false;
}

}  // namespace

template <>
double variant::convertTo<double>() const {
    return toNumber<double>(*this);
}
template <>
float variant::convertTo<float>() const {
    return toNumber<float>(*this);
}
template <>
int variant::convertTo<int>() const {
    return toNumber<int>(*this);
}
template <>
long variant::convertTo<long>() const {
    return toNumber<long>(*this);
}
template <>
short variant::convertTo<short>() const {
    return toNumber<short>(*this);
}
template <>
unsigned short variant::convertTo<unsigned short>() const {
    return toNumber<unsigned short>(*this);
}
template <>
unsigned int variant::convertTo<unsigned int>() const {
    return toNumber<unsigned int>(*this);
}
template <>
unsigned long variant::convertTo<unsigned long>() const {
    return toNumber<unsigned long>(*this);
}
template <>
long long variant::convertTo<long long>() const {
    return toNumber<long long>(*this);
}
template <>
unsigned long long variant::convertTo<unsigned long long>() const {
    return toNumber<unsigned long long>(*this);
}

// Texts are read as truth words; every other value goes through long, so a failure names long.
template <>
bool variant::convertTo<bool>() const {
    const std::type_info& stored = type();
    if (stored == typeid(bool)) return cast<bool>();
    if (stored == typeid(std::string)) return isTrueWord(cast<std::string>());
    if (stored == typeid(std::wstring)) return isTrueWord(cast<std::wstring>());
    return toNumber<long>(*this) != 0;
}

}  // namespace FB
