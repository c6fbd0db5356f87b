#include "Win/WindowSubclass.h"

#include "Log.h"

namespace Win {

namespace {

// The window property through which the shared window procedure finds its control object.
constexpr const wchar_t* ControlProperty = L"TalvoraMeeting.Control";
// The replaced procedure, kept when a control lets go while a later subclass still calls ours.
constexpr const wchar_t* ReplacedProperty = L"TalvoraMeeting.Replaced";

} // namespace

bool WindowSubclass::attach(HWND window)
{
    if (m_hwnd || !IsWindow(window) || GetPropW(window, ControlProperty))
        return false;
    if (!SetPropW(window, ControlProperty, this))
        return false;
    m_hwnd = window;
    m_replaced = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowSubclass::windowProc)));
    onAttached();
    return true;
}

void WindowSubclass::detach() noexcept
{
    if (!m_hwnd)
        return;
    // Someone who subclassed the window after us still calls our procedure: leave it in place
    // (it forwards to the replaced one once the property is gone).
    if (GetWindowLongPtrW(m_hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&WindowSubclass::windowProc))
        SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_replaced));
    else
        SetPropW(m_hwnd, ReplacedProperty, reinterpret_cast<HANDLE>(m_replaced));
    RemovePropW(m_hwnd, ControlProperty);
    m_hwnd = nullptr;
}

LRESULT WindowSubclass::callReplaced(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return CallWindowProcW(m_replaced, m_hwnd, message, wParam, lParam);
}

LRESULT WindowSubclass::route(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY)
        onDestroy();
    if (message == WM_NCDESTROY) {
        const WNDPROC replaced = m_replaced;
        const HWND window = m_hwnd;
        detach();
        return CallWindowProcW(replaced, window, message, wParam, lParam);
    }
    LRESULT result = 0;
    if (onMessage(message, wParam, lParam, result))
        return result;
    return callReplaced(message, wParam, lParam);
}

LRESULT CALLBACK WindowSubclass::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    auto* control = static_cast<WindowSubclass*>(GetPropW(window, ControlProperty));
    if (!control) {
        // Detached while another subclass sat on top of ours: only the forwarding is left.
        const auto replaced = reinterpret_cast<WNDPROC>(GetPropW(window, ReplacedProperty));
        if (message == WM_NCDESTROY)
            RemovePropW(window, ReplacedProperty);
        return replaced ? CallWindowProcW(replaced, window, message, wParam, lParam)
                        : DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return control->route(message, wParam, lParam);
    } catch (...) {
        TVZ_LOG("Exception in the window procedure of a control, message " << message);
        return control->m_hwnd ? control->callReplaced(message, wParam, lParam) : 0;
    }
}

} // namespace Win
