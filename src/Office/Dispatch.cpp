#include "Office/Dispatch.h"

#include "Com/ComError.h"

#include <string>
#include <vector>

namespace Office {

using Com::ComError;
using Com::ComPtr;
using Com::Variant;

namespace {

// Frees what IDispatch::Invoke may leave in an EXCEPINFO.
struct ExceptionInfo : EXCEPINFO {
    ExceptionInfo() : EXCEPINFO() {}
    ~ExceptionInfo()
    {
        SysFreeString(bstrSource);
        SysFreeString(bstrDescription);
        SysFreeString(bstrHelpFile);
    }
    ExceptionInfo(const ExceptionInfo&) = delete;
    ExceptionInfo& operator=(const ExceptionInfo&) = delete;

    void fill()
    {
        if (pfnDeferredFillIn)
            pfnDeferredFillIn(this);
    }
};

} // namespace

bool MemberIds::find(const IID& iid, std::wstring_view name, DISPID& id) const
{
    for (const Entry& entry : m_entries) {
        if (entry.iid == iid && entry.name == name) {
            id = entry.id;
            return true;
        }
    }
    return false;
}

void MemberIds::add(const IID& iid, std::wstring_view name, DISPID id)
{
    m_entries.push_back(Entry{iid, std::wstring(name), id});
}

Object Object::query(IUnknown* object, const IID& iid)
{
    ComPtr<IDispatch> dispatch;
    if (object && SUCCEEDED(object->QueryInterface(iid, dispatch.putVoid())) && dispatch)
        return Object(std::move(dispatch), iid);
    return Object();
}

Object Object::fromVariant(const Variant& value, const IID& iid)
{
    ComPtr<IDispatch> dispatch = value.toDispatch();
    if (!dispatch)
        return Object();
    return query(dispatch.get(), iid);
}

Object Object::reached(const Variant& value, const IID& iid) const
{
    ComPtr<IDispatch> dispatch = value.toDispatch();
    ComPtr<IDispatch> asked;
    if (!dispatch || FAILED(dispatch->QueryInterface(iid, asked.putVoid())) || !asked)
        return Object();
    return Object(std::move(asked), iid, m_memberIds);
}

void Object::requireObject() const
{
    if (!m_dispatch)
        throw ComError(E_POINTER, m_iid);
}

HRESULT Object::lookUp(std::wstring_view name, DISPID& id) const
{
    requireObject();
    // Plain IDispatch says nothing of the object's type: its ids are not shared.
    const bool typed = m_memberIds && m_iid != IID_IDispatch;
    if (typed && m_memberIds->find(m_iid, name, id))
        return S_OK;
    std::wstring copy(name);
    LPOLESTR names[] = {copy.data()};
    const HRESULT hr = m_dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
    if (typed && SUCCEEDED(hr))
        m_memberIds->add(m_iid, name, id);
    return hr;
}

Variant Object::invoke(DISPID id, WORD flags, std::initializer_list<Variant> args) const
{
    // Automation takes the arguments last to first.
    std::vector<VARIANT> reversed;
    reversed.reserve(args.size());
    for (auto it = std::rbegin(args); it != std::rend(args); ++it)
        reversed.push_back(it->get());

    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<UINT>(reversed.size());
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }

    Variant result;
    ExceptionInfo exception;
    UINT badArgument = 0;
    const HRESULT hr = m_dispatch->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, flags, &params,
                                          flags == DISPATCH_PROPERTYPUT ? nullptr : result.put(), &exception,
                                          &badArgument);
    if (hr == DISP_E_EXCEPTION) {
        exception.fill();
        const HRESULT reported = FAILED(exception.scode) ? exception.scode : hr;
        throw ComError(reported, m_iid,
                       exception.bstrDescription ? std::wstring(exception.bstrDescription) : std::wstring());
    }
    Com::check(hr, m_iid);
    return result;
}

Variant Object::get(std::wstring_view name, std::initializer_list<Variant> args) const
{
    DISPID id = DISPID_UNKNOWN;
    Com::check(lookUp(name, id), m_iid);
    return invoke(id, DISPATCH_PROPERTYGET, args);
}

Variant Object::getIfKnown(std::wstring_view name) const
{
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = lookUp(name, id);
    if (hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND)
        return Variant();
    Com::check(hr, m_iid);
    try {
        return invoke(id, DISPATCH_PROPERTYGET, {});
    } catch (const ComError& error) {
        if (error.hr() == DISP_E_MEMBERNOTFOUND)
            return Variant();
        throw;
    }
}

void Object::put(std::wstring_view name, const Variant& value) const
{
    DISPID id = DISPID_UNKNOWN;
    Com::check(lookUp(name, id), m_iid);
    invoke(id, DISPATCH_PROPERTYPUT, {value});
}

Variant Object::call(std::wstring_view name, std::initializer_list<Variant> args) const
{
    DISPID id = DISPID_UNKNOWN;
    Com::check(lookUp(name, id), m_iid);
    return invoke(id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}

Object Object::getObject(std::wstring_view name, const IID& iid, std::initializer_list<Variant> args) const
{
    return reached(get(name, args), iid);
}

Object Object::callObject(std::wstring_view name, const IID& iid, std::initializer_list<Variant> args) const
{
    return reached(call(name, args), iid);
}

} // namespace Office
