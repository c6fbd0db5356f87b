// The DLL's entry point and its four COM server exports.

#include "Addin.h"
#include "Com/ClassFactory.h"
#include "Com/Module.h"
#include "Com/Registrar.h"
#include "Com/TypeLibrary.h"
#include "UriCodec.h"

#include <new>

namespace {

// {C27B97DA-258D-4C14-935A-03548FFEC265}
constexpr CLSID CLSID_TalvoraMeeting = {0xC27B97DA, 0x258D, 0x4C14, {0x93, 0x5A, 0x03, 0x54, 0x8F, 0xFE, 0xC2, 0x65}};

Com::ClassFactory addinClassObject(&CAddin::create);

// The object map: each class with its cached class object and its registration script.
struct ClassEntry {
    const CLSID* clsid;
    Com::ClassFactory* classObject;
    int registrationScript;
};
const ClassEntry classes[] = {
    {&CLSID_TalvoraMeeting, &addinClassObject, 300},
};

HRESULT runScripts(bool install)
{
    Com::Registrar registrar;
    registrar.addReplacement(L"MODULE", Com::Module::fileName());
    for (const ClassEntry& entry : classes) {
        std::wstring script;
        HRESULT hr = Com::Registrar::loadScript(Com::Module::instance(), entry.registrationScript, script);
        if (SUCCEEDED(hr))
            hr = install ? registrar.registerScript(script) : registrar.unregisterScript(script);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        UriCodec::selfCheck();
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        // Unloaded by FreeLibrary: the process goes on, so give back what the module cached.
        Com::releaseTypeInfos();
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    for (const ClassEntry& entry : classes) {
        if (*entry.clsid == clsid)
            return entry.classObject->QueryInterface(iid, object);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return Com::Module::lockCount() == 0 ? S_OK : S_FALSE;
}

// Registration is per user: the script writes under HKEY_CURRENT_USER only and the type
// library is registered for the current user, so no administrator rights are needed.
namespace {

// A registration tool is a host too: nothing may escape to it.
template <class Step>
HRESULT guarded(Step step) noexcept
{
    try {
        return step();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    return guarded([] {
        if (const HRESULT hr = runScripts(true); FAILED(hr))
            return hr;
        return Com::registerTypeLibrary(Com::Module::fileName(), true);
    });
}

// Also per user: registration never wrote anything machine-wide, and a fresh unregistering
// process would otherwise look for the type library under HKEY_LOCAL_MACHINE.
extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return guarded([] {
        if (const HRESULT hr = runScripts(false); FAILED(hr))
            return hr;
        return Com::unregisterTypeLibrary(Com::Module::fileName(), true);
    });
}
