// Conversion of script values to narrow (UTF-8) and wide text. Numbers are written in decimal,
// floating numbers like printf's %g with 6 significant digits; booleans as "true" or "false".
// 64-bit integers have a narrow but no wide form; an unsigned char is a character in narrow text
// but its number in wide text.
#include <sstream>
#include <string>

#include "scripting/utf8_tools.h"
#include "scripting/variant.h"

namespace FB {
namespace {

template <typename Char, typename Number>
std::basic_string<Char> writeFloating(Number number, const std::type_info& stored) {
    std::basic_ostringstream<Char> stream;
    stream << number;
    if (stream.fail()) throw bad_variant_cast(stored, typeid(std::basic_string<Char>));
    return stream.str();
}

}  // namespace

template <>
std::string variant::convertTo<std::string>() const {
    if (holds<std::string>()) return cast<std::string>();
    if (holds<double>()) return writeFloating<char>(cast<double>(), type());
    if (holds<float>()) return writeFloating<char>(cast<float>(), type());
    if (holds<int>()) return std::to_string(cast<int>());
    if (holds<unsigned int>()) return std::to_string(cast<unsigned int>());
    if (holds<bool>()) return cast<bool>() ? "true" : "false";
    if (holds<std::wstring>()) return wideToUtf8(cast<std::wstring>());
    if (holds<long>()) return std::to_string(cast<long>());
    if (holds<unsigned long>()) return std::to_string(cast<unsigned long>());
    if (holds<short>()) return std::to_string(cast<short>());
    if (holds<unsigned short>()) return std::to_string(cast<unsigned short>());
    if (holds<char>()) return std::string(1, cast<char>());
    if (holds<unsigned char>()) return std::string(1, static_cast<char>(cast<unsigned char>()));
    if (holds<long long>()) return std::to_string(cast<long long>());
    if (holds<unsigned long long>()) return std::to_string(cast<unsigned long long>());
    throw bad_variant_cast(type(), typeid(std::string));
}

template <>
std::wstring variant::convertTo<std::wstring>() const {
    if (holds<std::wstring>()) return cast<std::wstring>();
    if (holds<double>()) return writeFloating<wchar_t>(cast<double>(), type());
    if (holds<float>()) return writeFloating<wchar_t>(cast<float>(), type());
    if (holds<int>()) return std::to_wstring(cast<int>());
    if (holds<unsigned int>()) return std::to_wstring(cast<unsigned int>());
    if (holds<bool>()) return cast<bool>() ? L"true" : L"false";
    if (holds<std::string>()) return utf8ToWide(cast<std::string>());
    if (holds<long>()) return std::to_wstring(cast<long>());
    if (holds<unsigned long>()) return std::to_wstring(cast<unsigned long>());
    if (holds<short>()) return std::to_wstring(cast<short>());
    if (holds<unsigned short>()) return std::to_wstring(cast<unsigned short>());
    // A byte is widened as the code point of the same number (as Latin-1), never sign-extended.
    if (holds<char>()) return std::wstring(1, static_cast<wchar_t>(static_cast<unsigned char>(cast<char>())));
    if (holds<unsigned char>()) return std::to_wstring(cast<unsigned char>());
    throw bad_variant_cast(type(), typeid(std::wstring));
}

}  // namespace FB
