#include "SSO/Utils/WindowsList.h"

#include "Log.h"
#include "TextCodec.h"

bool isWindows81OrLater()
{
    static const bool result = [] {
        OSVERSIONINFOEXW version{};
        version.dwOSVersionInfoSize = sizeof(version);
        version.dwMajorVersion = 6;
        version.dwMinorVersion = 3;
        version.wServicePackMajor = 0;
        ULONGLONG conditions = 0;
        conditions = VerSetConditionMask(conditions, VER_MAJORVERSION, VER_GREATER_EQUAL);
        conditions = VerSetConditionMask(conditions, VER_MINORVERSION, VER_GREATER_EQUAL);
        conditions = VerSetConditionMask(conditions, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
        return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR,
                                  conditions) != FALSE;
    }();
    return result;
}

BOOL WINAPI EnumWindows_W10(WNDENUMPROC callback, LPARAM userData)
{
    const HWND desktop = GetDesktopWindow();
    int left = WindowsLimit;
    for (HWND window = FindWindowExW(desktop, nullptr, nullptr, nullptr); window;
         window = FindWindowExW(desktop, window, nullptr, nullptr)) {
        callback(window, userData);
        if (--left == 0) {
            TVZ_LOG("EnumWindows_W10 - ENUM windows limit reached");
            break;
        }
    }
    return TRUE;
}

WindowsList::WindowsList() : WindowsList(isWindows81OrLater() ? EnumWindows_W10 : EnumWindows) {}

WindowsList& WindowsList::instance()
{
    static WindowsList list;
    return list;
}

void WindowsList::refresh()
{
    m_entries.clear();
    m_enumerate(add, reinterpret_cast<LPARAM>(this));
}

BOOL CALLBACK WindowsList::add(HWND window, LPARAM list)
{
    wchar_t title[MaxTitle + 1] = {};
    const int length = GetWindowTextW(window, title, MaxTitle + 1);
    std::string text;
    if (length > 0)
        text = fromUtf16OrEmpty(title, CP_UTF8).str();
    reinterpret_cast<WindowsList*>(list)->m_entries.emplace_back(window, std::move(text));
    return TRUE;
}
