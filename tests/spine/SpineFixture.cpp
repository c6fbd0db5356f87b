#include "SpineFixture.h"

#include "DocumentedIds.h"

#include "TestSupport.h"
#include "Win/RegKey.h"

#include <gtest/gtest.h>

namespace Spine {

const wchar_t* const ProgId = L"TalvoraMeeting.Addin";
const CLSID CLSID_TalvoraMeeting = Documented::CLSID_TalvoraMeeting;

DWORD regsvr32(const std::wstring& dllPath, bool unregister)
{
    std::wstring command = std::wstring(L"regsvr32.exe /s ") + (unregister ? L"/u " : L"") + L"\"" + dllPath + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &startup, &process))
        return static_cast<DWORD>(-1);
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = static_cast<DWORD>(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

bool keyExists(HKEY root, const std::wstring& path)
{
    Win::RegKey key;
    return key.open(root, path.c_str(), KEY_READ) == ERROR_SUCCESS;
}

void ensureRegistered()
{
    static const DWORD result = regsvr32(TestSupport::addinDllPath(), false);
    ASSERT_EQ(result, 0u);
}

} // namespace Spine
