#pragma once
// A class object around the function that creates an instance, plain or aggregated. Client
// references and server locks taken through it count in the module's lock count.

#include "Com/Module.h"

#include <windows.h>
#include <unknwn.h>

#include <atomic>

namespace Com {

// Creates an instance aggregated by `outer` (may be null) and returns `iid` of it in `object`.
using CreateInstanceFunction = HRESULT (*)(IUnknown* outer, REFIID iid, void** object);

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(CreateInstanceFunction create) noexcept : m_create(create) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    CreateInstanceFunction m_create;
    std::atomic<long> m_refs{1};
};

} // namespace Com
