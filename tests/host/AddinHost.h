#pragma once
// Loads an Office add-in the way Office does: the add-ins registered for the application under
// HKCU\Software\Microsoft\Office\<App>\Addins with LoadBehavior 3, each created through its
// ProgID and driven through _IDTExtensibility2.

#include "Com/ComPtr.h"
#include "Office/HostInterfaces.h"

#include <memory>
#include <string>
#include <vector>

namespace Host {

// The ProgIDs of the add-ins Office would load at start-up for `app` ("Outlook", "Word", ...).
std::vector<std::wstring> startupAddins(const std::wstring& app);

// ProgID → CLSID → InprocServer32, read from HKCU\Software\Classes: the per-user half of
// Windows' merged class view. Wine's COM reads classes from HKLM only, so the host resolves the
// per-user registration itself, as Windows would.
bool resolveClass(const std::wstring& progId, CLSID& clsid, std::wstring& serverPath);

class LoadedAddin {
public:
    // LoadLibrary, DllGetClassObject, CreateInstance, QueryInterface(_IDTExtensibility2).
    // Null with `error` set when a step fails.
    static std::unique_ptr<LoadedAddin> load(const std::wstring& progId, std::wstring& error);
    ~LoadedAddin();
    LoadedAddin(const LoadedAddin&) = delete;
    LoadedAddin& operator=(const LoadedAddin&) = delete;

    IUnknown* object() const noexcept { return m_object.get(); }
    _IDTExtensibility2* extensibility() const noexcept { return m_extensibility.get(); }
    const std::wstring& serverPath() const noexcept { return m_serverPath; }

    HRESULT connect(IDispatch* application);
    HRESULT startupComplete();
    HRESULT beginShutdown();
    HRESULT disconnect();

    // Drops every reference on the add-in and its class object.
    void release() noexcept;
    // DllCanUnloadNow of the add-in's DLL.
    HRESULT canUnloadNow() const;

private:
    LoadedAddin() = default;

    HMODULE m_module = nullptr;
    std::wstring m_serverPath;
    Com::ComPtr<IClassFactory> m_classObject;
    Com::ComPtr<IUnknown> m_object;
    Com::ComPtr<_IDTExtensibility2> m_extensibility;
};

} // namespace Host
