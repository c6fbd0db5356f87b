#include "UI/ControlSupport.h"

#include "Win/Window.h"

void makeStaticNotify(HWND control) noexcept
{
    if (Win::hasWindowClass(control, L"static"))
        SetWindowLongPtrW(control, GWL_STYLE, GetWindowLongPtrW(control, GWL_STYLE) | SS_NOTIFY);
}

UINT readingOrderFormat(HWND control) noexcept
{
    const HWND dialog = GetAncestor(control, GA_ROOT);
    return (GetWindowLongPtrW(dialog ? dialog : control, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) ? DT_RTLREADING : 0;
}

void paintParentBackground(HWND control, HDC dc) noexcept
{
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(control), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    if (brush) {
        const RECT client = Win::clientRect(control);
        FillRect(dc, &client, brush);
    }
}
