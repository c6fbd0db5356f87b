#pragma once
// Owner of one VARIANT, with the few constructors the add-in's calls need.

#include "Com/BStr.h"
#include "Com/ComPtr.h"

#include <oaidl.h>
#include <string>
#include <string_view>

namespace Com {

class Variant {
public:
    Variant() noexcept { VariantInit(&m_v); }
    Variant(const Variant& other);
    Variant(Variant&& other) noexcept : m_v(other.m_v) { VariantInit(&other.m_v); }
    ~Variant() { VariantClear(&m_v); }
    Variant& operator=(Variant other) noexcept
    {
        std::swap(m_v, other.m_v);
        return *this;
    }

    static Variant fromString(std::wstring_view text);
    static Variant fromInt32(LONG value);
    static Variant fromInt16(SHORT value);
    static Variant fromBool(bool value);
    static Variant fromDispatch(IDispatch* object); // takes a new reference
    // The "argument omitted" marker of Automation (VT_ERROR, DISP_E_PARAMNOTFOUND).
    static Variant missing();

    VARTYPE type() const noexcept { return m_v.vt; }
    const VARIANT& get() const noexcept { return m_v; }
    VARIANT* put() noexcept
    {
        VariantClear(&m_v);
        return &m_v;
    }

    bool isEmpty() const noexcept { return m_v.vt == VT_EMPTY || m_v.vt == VT_NULL; }
    // The text of a VT_BSTR value without copying it; empty for any other type.
    std::wstring_view view() const noexcept
    {
        return m_v.vt == VT_BSTR && m_v.bstrVal ? std::wstring_view(m_v.bstrVal, SysStringLen(m_v.bstrVal))
                                                : std::wstring_view();
    }
    // Conversions through VariantChangeType; each throws ComError when the value does not convert.
    std::wstring toString() const;
    LONG toInt32() const;
    bool toBool() const;
    // The object reference held (VT_DISPATCH or VT_UNKNOWN); null for an empty value.
    ComPtr<IDispatch> toDispatch() const;

private:
    VARIANT m_v;
};

} // namespace Com
