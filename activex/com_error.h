// Failures of the binding's COM plumbing as exceptions: a COM result code that a conversion or an
// allocation raised, and the std::bad_cast forms with a text of their own that the scripting
// objects and proxies throw when what they stand for is gone.
#pragma once

#include "platform/base/win_types.h"

#include <stdexcept>
#include <string>
#include <typeinfo>

namespace FB::ActiveX {

class com_error : public std::runtime_error {
public:
    explicit com_error(HRESULT code) : std::runtime_error("COM error " + std::to_string(code)), m_code(code) {}
    HRESULT code() const { return m_code; }

private:
    HRESULT m_code;
};

// Throws com_error for a failure code.
inline void throwIfFailed(HRESULT result) {
    if (result < 0) throw com_error(result);
}

class described_bad_cast : public std::bad_cast {
public:
    explicit described_bad_cast(const char* text) : m_text(text) {}
    const char* what() const noexcept override { return m_text; }

private:
    const char* m_text;  // a literal
};

}  // namespace FB::ActiveX
