#pragma once
// IDispatch of one dual interface, served from its type information. A class that implements
// several dual interfaces derives from one DispatchImpl per interface, so that each vtable
// dispatches its own members.

#include "Com/ComPtr.h"
#include "Com/TypeLibrary.h"

namespace Com {

template <class Interface, const TypeInfoSource& Source>
class DispatchImpl : public Interface {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 1;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override
    {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        if (index != 0)
            return DISP_E_BADINDEX;
        return typeInfo(Source, info);
    }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        ComPtr<ITypeInfo> info;
        if (const HRESULT hr = typeInfo(Source, info.put()); FAILED(hr))
            return hr;
        return DispGetIDsOfNames(info.get(), names, count, ids);
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT* badArgument) override
    {
        if (iid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        ComPtr<ITypeInfo> info;
        if (const HRESULT hr = typeInfo(Source, info.put()); FAILED(hr))
            return hr;
        return DispInvoke(static_cast<Interface*>(this), info.get(), id, flags, params, result, exception,
                          badArgument);
    }
};

} // namespace Com
