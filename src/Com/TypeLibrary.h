#pragma once
// Type information for the add-in's dual interfaces, and the per-user registration of its own
// type library.

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace Com {

// Where the type information of one dual interface comes from: the add-in's own TYPELIB
// resource (libid null), or a type library registered on the machine (Office's own).
struct TypeInfoSource {
    const GUID* libid;
    unsigned short major;
    unsigned short minor;
    const IID* iid;
};

// The ITypeInfo of the interface, loaded on first use and kept until releaseTypeInfos().
HRESULT typeInfo(const TypeInfoSource& source, ITypeInfo** result) noexcept;
void releaseTypeInfos() noexcept;

// Registers TYPELIB resource 1 of the module; per user when asked and when OLEAUT32 offers it.
HRESULT registerTypeLibrary(const std::wstring& modulePath, bool perUser);
HRESULT unregisterTypeLibrary(const std::wstring& modulePath, bool perUser);

} // namespace Com
