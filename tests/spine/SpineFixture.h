#pragma once
// Registers the build tree's TalvoraMeeting.dll for the current user with regsvr32.

#include <windows.h>

#include <string>

namespace Spine {

extern const wchar_t* const ProgId;
extern const CLSID CLSID_TalvoraMeeting;

// Runs "regsvr32 /s [/u] <dll>" and answers its exit code.
DWORD regsvr32(const std::wstring& dllPath, bool unregister);
bool keyExists(HKEY root, const std::wstring& path);
// Registers the DLL once per test program.
void ensureRegistered();

} // namespace Spine
