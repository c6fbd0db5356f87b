#include "Com/TypeLibrary.h"

#include "Com/ComPtr.h"
#include "Com/Module.h"

#include <map>
#include <new>

namespace Com {

namespace {

std::map<const TypeInfoSource*, ComPtr<ITypeInfo>>& typeInfoCache()
{
    static std::map<const TypeInfoSource*, ComPtr<ITypeInfo>> cache;
    return cache;
}

HRESULT loadOwnTypeLibrary(const std::wstring& modulePath, ITypeLib** library)
{
    return LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, library);
}

std::wstring folderOf(const std::wstring& path)
{
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

template <class Function>
Function perUserFunction(const char* name)
{
    HMODULE oleaut = GetModuleHandleW(L"oleaut32.dll");
    return oleaut ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(oleaut, name))) : nullptr;
}

using RegisterForUser = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
using UnregisterForUser = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

HRESULT cachedTypeInfo(const TypeInfoSource& source, ITypeInfo** result)
{
    auto& cache = typeInfoCache();
    auto found = cache.find(&source);
    if (found == cache.end()) {
        ComPtr<ITypeLib> library;
        HRESULT hr = source.libid
                         ? LoadRegTypeLib(*source.libid, source.major, source.minor, LOCALE_NEUTRAL, library.put())
                         : loadOwnTypeLibrary(Module::fileName(), library.put());
        ComPtr<ITypeInfo> info;
        if (SUCCEEDED(hr))
            hr = library->GetTypeInfoOfGuid(*source.iid, info.put());
        if (FAILED(hr))
            return hr;
        found = cache.emplace(&source, std::move(info)).first;
    }
    *result = ComPtr<ITypeInfo>(found->second).detach();
    return S_OK;
}

} // namespace

HRESULT typeInfo(const TypeInfoSource& source, ITypeInfo** result) noexcept
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    try {
        return cachedTypeInfo(source, result);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

void releaseTypeInfos() noexcept
{
    typeInfoCache().clear();
}

HRESULT registerTypeLibrary(const std::wstring& modulePath, bool perUser)
{
    ComPtr<ITypeLib> library;
    if (const HRESULT hr = loadOwnTypeLibrary(modulePath, library.put()); FAILED(hr))
        return hr;
    std::wstring path = modulePath;
    std::wstring helpFolder = folderOf(modulePath);
    if (perUser) {
        if (auto registerForUser = perUserFunction<RegisterForUser>("RegisterTypeLibForUser"))
            return registerForUser(library.get(), path.data(), helpFolder.data());
    }
    return RegisterTypeLib(library.get(), path.data(), helpFolder.data());
}

HRESULT unregisterTypeLibrary(const std::wstring& modulePath, bool perUser)
{
    ComPtr<ITypeLib> library;
    if (const HRESULT hr = loadOwnTypeLibrary(modulePath, library.put()); FAILED(hr))
        return hr;
    TLIBATTR* attributes = nullptr;
    if (const HRESULT hr = library->GetLibAttr(&attributes); FAILED(hr))
        return hr;
    const TLIBATTR attr = *attributes;
    library->ReleaseTLibAttr(attributes);
    if (perUser) {
        if (auto unregisterForUser = perUserFunction<UnregisterForUser>("UnRegisterTypeLibForUser"))
            return unregisterForUser(attr.guid, attr.wMajorVerNum, attr.wMinorVerNum, attr.lcid, attr.syskind);
    }
    return UnRegisterTypeLib(attr.guid, attr.wMajorVerNum, attr.wMinorVerNum, attr.lcid, attr.syskind);
}

} // namespace Com
