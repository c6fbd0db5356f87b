#include "Win/Centering.h"

#include "Win/Window.h"

namespace Win {

namespace {

LONG width(const RECT& r) noexcept { return r.right - r.left; }
LONG height(const RECT& r) noexcept { return r.bottom - r.top; }

} // namespace

POINT centredPosition(const RECT& window, const RECT& reference, const RECT& workArea) noexcept
{
    POINT topLeft{reference.left + (width(reference) - width(window)) / 2,
                  reference.top + (height(reference) - height(window)) / 2};
    if (topLeft.x + width(window) > workArea.right)
        topLeft.x = workArea.right - width(window);
    if (topLeft.y + height(window) > workArea.bottom)
        topLeft.y = workArea.bottom - height(window);
    if (topLeft.x < workArea.left)
        topLeft.x = workArea.left;
    if (topLeft.y < workArea.top)
        topLeft.y = workArea.top;
    return topLeft;
}

void centerOnOwner(HWND window) noexcept
{
    const HWND owner = GetWindow(window, GW_OWNER);
    MONITORINFO monitor{sizeof monitor};
    GetMonitorInfoW(MonitorFromWindow(owner ? owner : window, MONITOR_DEFAULTTONEAREST), &monitor);
    const bool ownerOnScreen = owner && IsWindowVisible(owner) && !IsIconic(owner);
    const RECT reference = ownerOnScreen ? windowRect(owner) : monitor.rcWork;
    const POINT topLeft = centredPosition(windowRect(window), reference, monitor.rcWork);
    SetWindowPos(window, nullptr, topLeft.x, topLeft.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace Win
