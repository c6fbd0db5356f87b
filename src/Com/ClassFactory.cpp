#include "Com/ClassFactory.h"

namespace Com {

HRESULT STDMETHODCALLTYPE ClassFactory::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// The class object is cached by the module and holds one reference on itself; every client
// reference beyond that keeps the DLL loaded, like a server lock.
ULONG STDMETHODCALLTYPE ClassFactory::AddRef()
{
    const long refs = ++m_refs;
    if (refs == 2)
        Module::lock();
    return static_cast<ULONG>(refs);
}

ULONG STDMETHODCALLTYPE ClassFactory::Release()
{
    const long refs = --m_refs;
    if (refs == 1)
        Module::unlock();
    return static_cast<ULONG>(refs);
}

HRESULT STDMETHODCALLTYPE ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    // An aggregated object hands out its inner unknown only.
    if (outer && iid != IID_IUnknown)
        return CLASS_E_NOAGGREGATION;
    return m_create(outer, iid, object);
}

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL lock)
{
    if (lock)
        Module::lock();
    else
        Module::unlock();
    return S_OK;
}

} // namespace Com
