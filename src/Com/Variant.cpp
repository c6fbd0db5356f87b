#include "Com/Variant.h"

#include "Com/ComError.h"

namespace Com {

namespace {

Variant changed(const VARIANT& source, VARTYPE type)
{
    Variant result;
    check(VariantChangeType(result.put(), const_cast<VARIANT*>(&source), VARIANT_ALPHABOOL, type), IID_IDispatch);
    return result;
}

} // namespace

Variant::Variant(const Variant& other)
{
    VariantInit(&m_v);
    check(VariantCopy(&m_v, const_cast<VARIANT*>(&other.m_v)), IID_IDispatch);
}

Variant Variant::fromString(std::wstring_view text)
{
    Variant result;
    BStr copy(text);
    result.m_v.vt = VT_BSTR;
    result.m_v.bstrVal = copy.detach();
    return result;
}

Variant Variant::fromInt32(LONG value)
{
    Variant result;
    result.m_v.vt = VT_I4;
    result.m_v.lVal = value;
    return result;
}

Variant Variant::fromInt16(SHORT value)
{
    Variant result;
    result.m_v.vt = VT_I2;
    result.m_v.iVal = value;
    return result;
}

Variant Variant::fromBool(bool value)
{
    Variant result;
    result.m_v.vt = VT_BOOL;
    result.m_v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return result;
}

Variant Variant::fromDispatch(IDispatch* object)
{
    Variant result;
    result.m_v.vt = VT_DISPATCH;
    result.m_v.pdispVal = object;
    if (object)
        object->AddRef();
    return result;
}

Variant Variant::missing()
{
    Variant result;
    result.m_v.vt = VT_ERROR;
    result.m_v.scode = DISP_E_PARAMNOTFOUND;
    return result;
}

std::wstring Variant::toString() const
{
    if (m_v.vt == VT_BSTR)
        return std::wstring(view());
    if (isEmpty())
        return std::wstring();
    const Variant text = changed(m_v, VT_BSTR);
    return text.toString();
}

LONG Variant::toInt32() const
{
    if (m_v.vt == VT_I4)
        return m_v.lVal;
    return changed(m_v, VT_I4).m_v.lVal;
}

bool Variant::toBool() const
{
    if (m_v.vt == VT_BOOL)
        return m_v.boolVal != VARIANT_FALSE;
    return changed(m_v, VT_BOOL).m_v.boolVal != VARIANT_FALSE;
}

ComPtr<IDispatch> Variant::toDispatch() const
{
    switch (m_v.vt) {
    case VT_DISPATCH:
        return ComPtr<IDispatch>(m_v.pdispVal);
    case VT_UNKNOWN: {
        ComPtr<IDispatch> result;
        if (m_v.punkVal)
            check(m_v.punkVal->QueryInterface(IID_IDispatch, result.putVoid()), IID_IDispatch);
        return result;
    }
    case VT_EMPTY:
    case VT_NULL:
        return ComPtr<IDispatch>();
    default:
        throw ComError(DISP_E_TYPEMISMATCH, IID_IDispatch);
    }
}

} // namespace Com
