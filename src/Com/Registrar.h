#pragma once
// Interpreter of the registration scripts kept in the DLL's REGISTRY resources: nested keys under
// a root key, each optionally "NoRemove" (kept at unregistration) or "ForceRemove" (deleted with
// its subkeys before it is written, and at unregistration), with string (s) and DWORD (d)
// default and named ("val") values. "%NAME%" is replaced by the caller's variables, "%%" by "%".
//
//   HKCU { NoRemove Software { Example = s 'text' { val Count = d '3' } } }

#include <windows.h>

#include <map>
#include <string>

namespace Com {

class Registrar {
public:
    void addReplacement(const std::wstring& name, const std::wstring& value) { m_replacements[name] = value; }

    // Runs the script; the first failing step ends the run with its HRESULT (earlier steps stay).
    HRESULT registerScript(const std::wstring& script) const { return run(script, true); }
    HRESULT unregisterScript(const std::wstring& script) const { return run(script, false); }

    // Loads the script from a resource of type "REGISTRY" (UTF-8 or ANSI text).
    static HRESULT loadScript(HMODULE module, int resourceId, std::wstring& script);

private:
    HRESULT run(const std::wstring& script, bool install) const;
    std::wstring substitute(const std::wstring& script) const;

    std::map<std::wstring, std::wstring> m_replacements;
};

} // namespace Com
