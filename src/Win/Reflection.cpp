#include "Win/Reflection.h"

namespace Win {

namespace {

// The child of `parent` a notification came from; null when it names none (menus,
// accelerators, the dialog's own WM_CTLCOLORDLG, window scroll bars) or the message is not one
// that is reflected.
HWND notificationSource(HWND parent, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    HWND source = nullptr;
    switch (message) {
    case WM_COMMAND:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        source = reinterpret_cast<HWND>(lParam);
        break;
    case WM_NOTIFY:
        source = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
        break;
    case WM_PARENTNOTIFY:
        // Creation and destruction name the child; mouse clicks carry a point, not a window.
        if (LOWORD(wParam) == WM_CREATE || LOWORD(wParam) == WM_DESTROY)
            source = reinterpret_cast<HWND>(lParam);
        break;
    // The item messages come from menus when their control id is 0.
    case WM_DRAWITEM:
        if (wParam)
            source = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
        break;
    case WM_MEASUREITEM:
        if (wParam)
            source = GetDlgItem(parent, static_cast<int>(reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlID));
        break;
    case WM_COMPAREITEM:
        if (wParam)
            source = reinterpret_cast<const COMPAREITEMSTRUCT*>(lParam)->hwndItem;
        break;
    case WM_DELETEITEM:
        if (wParam)
            source = reinterpret_cast<const DELETEITEMSTRUCT*>(lParam)->hwndItem;
        break;
    default:
        break;
    }
    return source && source != parent && IsChild(parent, source) ? source : nullptr;
}

} // namespace

bool reflectNotification(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    const HWND source = notificationSource(parent, message, wParam, lParam);
    if (!source)
        return false;
    result = SendMessageW(source, ReflectedBase + message, wParam, lParam);
    return result != 0;
}

} // namespace Win
