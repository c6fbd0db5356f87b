#include "Com/EventSink.h"

#include <ocidl.h>

#include <new>

namespace Com {

ComPtr<IUnknown> EventSink::identity(IUnknown* object) noexcept
{
    ComPtr<IUnknown> result;
    if (object && FAILED(object->QueryInterface(IID_IUnknown, result.putVoid())))
        result = ComPtr<IUnknown>(object);
    return result;
}

HRESULT EventSink::connectionPoint(IUnknown* source, ComPtr<IConnectionPoint>& point) const noexcept
{
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = source->QueryInterface(IID_IConnectionPointContainer, container.putVoid());
    if (SUCCEEDED(hr))
        hr = container->FindConnectionPoint(m_events, point.put());
    return hr;
}

HRESULT EventSink::connect(IUnknown* source) noexcept
{
    if (!source)
        return E_INVALIDARG;
    ComPtr<IUnknown> key = identity(source);
    if (m_connections.count(key.get()))
        return AlreadyConnected;

    ComPtr<IConnectionPoint> point;
    HRESULT hr = connectionPoint(source, point);
    DWORD cookie = 0;
    if (SUCCEEDED(hr))
        hr = point->Advise(static_cast<IDispatch*>(this), &cookie);
    if (FAILED(hr))
        return hr;
    try {
        m_connections.emplace(key.get(), Connection{key, cookie});
    } catch (const std::bad_alloc&) {
        point->Unadvise(cookie);
        return E_FAIL;
    }
    return S_OK;
}

HRESULT EventSink::unadvise(const Connection& connection) const noexcept
{
    ComPtr<IConnectionPoint> point;
    HRESULT hr = connectionPoint(connection.source.get(), point);
    if (SUCCEEDED(hr))
        hr = point->Unadvise(connection.cookie);
    return hr;
}

HRESULT EventSink::disconnect(IUnknown* source) noexcept
{
    ComPtr<IUnknown> key = identity(source);
    const auto found = m_connections.find(key.get());
    if (found == m_connections.end())
        return E_INVALIDARG;
    const Connection connection = found->second;
    m_connections.erase(found);
    return unadvise(connection);
}

// Entry by entry, not through disconnect: a source that breaks COM identity answers another
// IUnknown each time, which would never find its own entry again.
void EventSink::disconnectAll() noexcept
{
    while (!m_connections.empty()) {
        const Connection connection = m_connections.begin()->second;
        m_connections.erase(m_connections.begin());
        unadvise(connection);
    }
}

HRESULT STDMETHODCALLTYPE EventSink::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == m_events) {
        *object = static_cast<IDispatch*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE EventSink::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                            EXCEPINFO*, UINT*)
{
    if (result)
        VariantInit(result);
    m_handler(m_owner, id, params);
    return S_OK;
}

} // namespace Com
