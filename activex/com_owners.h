// Owners of COM resources, so that no return path leaks a reference, a string or a value: ComPtr
// holds one reference on an interface, ScopedBstr one string, ScopedVariant one VARIANT (cleared
// when it goes), VariantArray a block of VARIANTs for a parameter list, ScopedExcepInfo the strings
// a failed call leaves in its exception record.
#pragma once

#include "activex/com_error.h"
#include "platform/com/oaidl.h"

#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace FB::ActiveX {

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes a reference of its own.
    explicit ComPtr(T* object) : m_object(object) {
        if (m_object) m_object->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.m_object) {}
    ComPtr(ComPtr&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(m_object, other.m_object);
        return *this;
    }
    ~ComPtr() { reset(); }

    // Takes over the caller's reference.
    static ComPtr adopt(T* object) {
        ComPtr owner;
        owner.m_object = object;
        return owner;
    }

    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    void reset() {
        if (m_object) std::exchange(m_object, nullptr)->Release();
    }
    // Gives the reference to the caller.
    T* detach() { return std::exchange(m_object, nullptr); }
    // For an out parameter that hands over a reference.
    T** put() {
        reset();
        return &m_object;
    }

    // The object's interface of the other kind, or an empty owner when it has none.
    template <typename U>
    ComPtr<U> query(REFIID iid) const {
        ComPtr<U> other;
        if (m_object && m_object->QueryInterface(iid, reinterpret_cast<void**>(other.put())) < 0) other.reset();
        return other;
    }

private:
    T* m_object = nullptr;
};

class ScopedBstr {
public:
    ScopedBstr() = default;
    // The whole text, zeros included; com_error E_OUTOFMEMORY when it cannot be allocated.
    explicit ScopedBstr(std::wstring_view text) : m_text(SysAllocStringLen(text.data(), UINT(text.size()))) {
        if (!m_text || text.size() != SysStringLen(m_text)) {
            SysFreeString(m_text);
            throw com_error(E_OUTOFMEMORY);
        }
    }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    ~ScopedBstr() { SysFreeString(m_text); }

    BSTR get() const { return m_text; }
    BSTR detach() { return std::exchange(m_text, nullptr); }
    BSTR* put() {
        SysFreeString(std::exchange(m_text, nullptr));
        return &m_text;
    }

private:
    BSTR m_text = nullptr;
};

// The whole text of a BSTR; a null BSTR is the empty string.
inline std::wstring bstrText(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : std::wstring(); }

class ScopedVariant {
public:
    ScopedVariant() { VariantInit(&m_value); }
    ScopedVariant(ScopedVariant&& other) noexcept : m_value(other.release()) {}
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    ~ScopedVariant() { VariantClear(&m_value); }

    VARIANT* get() { return &m_value; }
    const VARIANT* get() const { return &m_value; }
    // Moves the value out to the caller, leaving VT_EMPTY.
    VARIANT release() {
        VARIANT out = m_value;
        VariantInit(&m_value);
        return out;
    }

private:
    VARIANT m_value;
};

// A parameter block's VARIANTs, each cleared when the block goes.
class VariantArray {
public:
    explicit VariantArray(size_t count) : m_values(count) {
        for (VARIANT& value : m_values) VariantInit(&value);
    }
    VariantArray(const VariantArray&) = delete;
    VariantArray& operator=(const VariantArray&) = delete;
    ~VariantArray() {
        for (VARIANT& value : m_values) VariantClear(&value);
    }

    VARIANT* data() { return m_values.data(); }
    VARIANT& operator[](size_t index) { return m_values[index]; }
    size_t size() const { return m_values.size(); }

private:
    std::vector<VARIANT> m_values;
};

class ScopedExcepInfo {
public:
    ScopedExcepInfo() { std::memset(&m_info, 0, sizeof(m_info)); }
    ScopedExcepInfo(const ScopedExcepInfo&) = delete;
    ScopedExcepInfo& operator=(const ScopedExcepInfo&) = delete;
    ~ScopedExcepInfo() {
        SysFreeString(m_info.bstrSource);
        SysFreeString(m_info.bstrDescription);
        SysFreeString(m_info.bstrHelpFile);
    }

    EXCEPINFO* get() { return &m_info; }

private:
    EXCEPINFO m_info;
};

}  // namespace FB::ActiveX
