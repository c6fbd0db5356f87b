#include "StandInBrowser.h"

#include "StandInApps.h"
#include "TestSupport.h"
#include "Win/RegKey.h"

#include <stdexcept>

namespace TestSupport {

namespace {

// Wine's shell reads the handlers from HKLM\Software\Classes.
constexpr wchar_t HttpCommandKey[] = L"Software\\Classes\\http\\shell\\open\\command";
constexpr wchar_t ProgramName[] = L"stand_in_browser.exe";

void setDefaultValue(const std::wstring& value)
{
    Win::RegKey key;
    if (key.create(HKEY_LOCAL_MACHINE, HttpCommandKey, KEY_SET_VALUE) != ERROR_SUCCESS ||
        RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
        throw std::runtime_error("cannot register the stand-in browser");
}

std::wstring defaultValue()
{
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    RegGetValueW(HKEY_LOCAL_MACHINE, HttpCommandKey, nullptr, RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
}

std::vector<HWND> browserWindows()
{
    std::vector<HWND> windows;
    for (HWND window = FindWindowExW(nullptr, nullptr, StandInBrowserClass, nullptr); window;
         window = FindWindowExW(nullptr, window, StandInBrowserClass, nullptr))
        windows.push_back(window);
    return windows;
}

const wchar_t* actionName(StandInBrowser::Action action)
{
    switch (action) {
    case StandInBrowser::Action::Deny:
        return L"deny";
    case StandInBrowser::Action::LeaveOpen:
        return L"open";
    default:
        return L"approve";
    }
}

} // namespace

StandInBrowser::StandInBrowser(Action action, const std::wstring& account)
    : m_previousHttpCommand(defaultValue()),
      m_decide(CreateEventW(nullptr, FALSE, FALSE, StandInBrowserDecideEvent))
{
    if (!m_decide)
        throw std::runtime_error("cannot create the stand-in browser's decision event");
    ResetEvent(m_decide);
    // The browser inherits the test program's environment through the shell.
    SetEnvironmentVariableW(L"TALVORA_BROWSER", actionName(action));
    SetEnvironmentVariableW(L"TALVORA_BROWSER_ACCOUNT", account.empty() ? nullptr : account.c_str());
    setDefaultValue(L"\"" + programPath() + L"\" \"%1\"");
}

StandInBrowser::~StandInBrowser()
{
    closeAll(10000);
    setDefaultValue(m_previousHttpCommand);
    SetEnvironmentVariableW(L"TALVORA_BROWSER", nullptr);
    SetEnvironmentVariableW(L"TALVORA_BROWSER_ACCOUNT", nullptr);
    CloseHandle(m_decide);
}

std::wstring StandInBrowser::programPath()
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    return folderOf(folderOf(exe)) + L"\\tools\\" + ProgramName;
}

void StandInBrowser::decide() const
{
    SetEvent(m_decide);
}

std::vector<std::wstring> StandInBrowser::titles() const
{
    std::vector<std::wstring> result;
    for (HWND window : browserWindows()) {
        wchar_t title[1024] = {};
        GetWindowTextW(window, title, 1024);
        result.push_back(title);
    }
    return result;
}

bool StandInBrowser::closeAll(DWORD timeoutMs) const
{
    for (HWND window : browserWindows())
        PostMessageW(window, WM_CLOSE, 0, 0);
    return waitForProcessesOf(ProgramName, timeoutMs);
}

} // namespace TestSupport
