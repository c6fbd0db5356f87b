#include "AddinHost.h"

#include "DocumentedIds.h"
#include "Win/RegKey.h"

#include <objbase.h>

namespace Host {

namespace {

std::wstring readDefault(HKEY root, const std::wstring& path)
{
    Win::RegKey key;
    if (key.open(root, path.c_str(), KEY_READ) != ERROR_SUCCESS)
        return std::wstring();
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS
        || (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::wstring();
    return buffer;
}

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();

} // namespace

std::vector<std::wstring> startupAddins(const std::wstring& app)
{
    std::vector<std::wstring> result;
    const std::wstring path = L"Software\\Microsoft\\Office\\" + app + L"\\Addins";
    Win::RegKey addins;
    if (addins.open(HKEY_CURRENT_USER, path.c_str(), KEY_READ) != ERROR_SUCCESS)
        return result;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(addins.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        DWORD behavior = 0;
        DWORD size = sizeof behavior;
        if (RegGetValueW(addins.get(), name, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &behavior, &size)
                == ERROR_SUCCESS
            && behavior == 3)
            result.emplace_back(name);
    }
    return result;
}

bool resolveClass(const std::wstring& progId, CLSID& clsid, std::wstring& serverPath)
{
    const std::wstring clsidText = readDefault(HKEY_CURRENT_USER, L"Software\\Classes\\" + progId + L"\\CLSID");
    if (clsidText.empty() || FAILED(CLSIDFromString(clsidText.c_str(), &clsid)))
        return false;
    serverPath = readDefault(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\" + clsidText + L"\\InprocServer32");
    return !serverPath.empty();
}

std::unique_ptr<LoadedAddin> LoadedAddin::load(const std::wstring& progId, std::wstring& error)
{
    std::unique_ptr<LoadedAddin> addin(new LoadedAddin());
    CLSID clsid{};
    if (!resolveClass(progId, clsid, addin->m_serverPath)) {
        error = L"class of " + progId + L" not registered";
        return nullptr;
    }
    addin->m_module = LoadLibraryW(addin->m_serverPath.c_str());
    if (!addin->m_module) {
        error = L"cannot load " + addin->m_serverPath;
        return nullptr;
    }
    auto getClassObject = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(addin->m_module, "DllGetClassObject")));
    HRESULT hr = getClassObject ? getClassObject(clsid, IID_IClassFactory, addin->m_classObject.putVoid())
                                : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    if (SUCCEEDED(hr))
        hr = addin->m_classObject->CreateInstance(nullptr, IID_IUnknown, addin->m_object.putVoid());
    if (SUCCEEDED(hr))
        hr = addin->m_object->QueryInterface(Documented::IID_DTExtensibility2, addin->m_extensibility.putVoid());
    if (FAILED(hr)) {
        wchar_t text[64];
        swprintf(text, 64, L"creation failed: 0x%08lX", static_cast<unsigned long>(hr));
        error = text;
        return nullptr;
    }
    return addin;
}

LoadedAddin::~LoadedAddin()
{
    release();
    if (m_module && canUnloadNow() == S_OK)
        FreeLibrary(m_module);
}

HRESULT LoadedAddin::connect(IDispatch* application)
{
    return m_extensibility->OnConnection(application, ext_cm_Startup, nullptr, nullptr);
}

HRESULT LoadedAddin::startupComplete()
{
    return m_extensibility->OnStartupComplete(nullptr);
}

HRESULT LoadedAddin::beginShutdown()
{
    return m_extensibility->OnBeginShutdown(nullptr);
}

HRESULT LoadedAddin::disconnect()
{
    return m_extensibility->OnDisconnection(ext_dm_HostShutdown, nullptr);
}

void LoadedAddin::release() noexcept
{
    m_extensibility.reset();
    m_object.reset();
    m_classObject.reset();
}

HRESULT LoadedAddin::canUnloadNow() const
{
    auto canUnload =
        reinterpret_cast<CanUnloadNow>(reinterpret_cast<void*>(GetProcAddress(m_module, "DllCanUnloadNow")));
    return canUnload ? canUnload() : E_NOTIMPL;
}

} // namespace Host
