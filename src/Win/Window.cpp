#include "Win/Window.h"

namespace Win {

std::wstring windowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

bool hasWindowClass(HWND window, const wchar_t* className)
{
    wchar_t name[64] = {};
    return GetClassNameW(window, name, 64) > 0 && lstrcmpiW(name, className) == 0;
}

RECT clientRect(HWND window) noexcept
{
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

RECT windowRect(HWND window) noexcept
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

bool cursorIn(HWND window, const RECT& area) noexcept
{
    POINT cursor{};
    if (!GetCursorPos(&cursor) || !ScreenToClient(window, &cursor))
        return false;
    return PtInRect(&area, cursor) != FALSE;
}

} // namespace Win
