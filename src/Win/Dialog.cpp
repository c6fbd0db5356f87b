#include "Win/Dialog.h"

#include "Log.h"
#include "Win/Reflection.h"

#include <commctrl.h>

#include <string>

namespace Win {

namespace {

// Messages whose answer is the dialog procedure's return value itself; every other answer
// travels in DWLP_MSGRESULT.
bool answersDirectly(UINT message) noexcept
{
    switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}

// The templates use the animation control; the other common controls come along. Registering
// again is cheap and harmless, so every run makes sure.
void registerCommonControls() noexcept
{
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_ANIMATE_CLASS | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
}

} // namespace

INT_PTR Dialog::runModal(HINSTANCE instance, int templateId, HWND parent)
{
    registerCommonControls();
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), parent, &Dialog::dialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void Dialog::setItemText(int id, std::wstring_view text) const
{
    SetDlgItemTextW(m_hwnd, id, std::wstring(text).c_str());
}

INT_PTR CALLBACK Dialog::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message == WM_INITDIALOG) {
        // The creation parameter is the dialog object; the message map sees the add-in's own
        // initialisation parameter, which is always 0.
        auto* dialog = reinterpret_cast<Dialog*>(lParam);
        dialog->m_hwnd = window;
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        lParam = 0;
    }
    auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!dialog)
        return FALSE; // the messages before WM_INITDIALOG (WM_SETFONT) and after WM_NCDESTROY
    try {
        return dialog->route(message, wParam, lParam);
    } catch (...) {
        TVZ_LOG("Exception in a dialog procedure, message " << message);
        return FALSE;
    }
}

INT_PTR Dialog::route(UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND window = m_hwnd;
    LRESULT result = 0;
    bool handled = onMessage(message, wParam, lParam, result);
    if (!handled)
        handled = reflectNotification(window, message, wParam, lParam, result);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        m_hwnd = nullptr;
    }
    if (!handled)
        return FALSE;
    if (answersDirectly(message))
        return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

} // namespace Win
