#include "UI/ColoredButton.h"

#include "UI/ControlSupport.h"
#include "Win/Gdi.h"
#include "Win/Reflection.h"
#include "Win/Window.h"

#include <string>

namespace {

UINT textFormat(LONG_PTR style) noexcept
{
    UINT format = 0;
    switch (style & BS_CENTER) {
    case BS_LEFT:
        format |= DT_LEFT;
        break;
    case BS_RIGHT:
        format |= DT_RIGHT;
        break;
    default:
        format |= DT_CENTER;
        break;
    }
    format |= (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
    return format;
}

// DT_VCENTER and DT_BOTTOM only place single lines; several lines are measured and placed here.
void drawButtonText(HDC dc, std::wstring& text, RECT area, HWND button)
{
    const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
    const UINT format = textFormat(style) | readingOrderFormat(button);
    RECT measured = area;
    DrawTextW(dc, text.data(), static_cast<int>(text.size()), &measured, format | DT_CALCRECT);
    const LONG textHeight = measured.bottom - measured.top;
    switch (style & BS_VCENTER) {
    case BS_TOP:
        break;
    case BS_BOTTOM:
        area.top = area.bottom - textHeight;
        break;
    default:
        area.top += (area.bottom - area.top - textHeight) / 2;
        break;
    }
    area.bottom = area.top + textHeight;
    DrawTextW(dc, text.data(), static_cast<int>(text.size()), &area, format);
}

} // namespace

template <class T, class TBase>
CColoredButtonImpl<T, TBase>::CColoredButtonImpl() noexcept
    : m_textColor(GetSysColor(COLOR_BTNTEXT)), m_normalColor(GetSysColor(COLOR_BTNFACE)),
      m_pressedColor(GetSysColor(COLOR_BTNFACE)), m_disabledColor(GetSysColor(COLOR_BTNFACE))
{
}

template <class T, class TBase>
void CColoredButtonImpl<T, TBase>::onAttached()
{
    const HWND window = this->hwnd();
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    SetWindowLongPtrW(window, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    InvalidateRect(window, nullptr, TRUE);
}

template <class T, class TBase>
bool CColoredButtonImpl<T, TBase>::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_ERASEBKGND:
        result = TRUE; // the face covers the whole button
        return true;
    case WM_LBUTTONDBLCLK:
        // An owner-drawn button would report a double click instead of pressing again.
        result = this->callReplaced(WM_LBUTTONDOWN, wParam, lParam);
        return true;
    case Win::ReflectedDrawItem:
        static_cast<const T*>(this)->DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    default:
        return false;
    }
}

template <class T, class TBase>
void CColoredButtonImpl<T, TBase>::DrawItem(const DRAWITEMSTRUCT& item) const
{
    const HDC dc = item.hDC;
    const Win::SavedDCState state(dc);
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    const LONG_PTR style = GetWindowLongPtrW(item.hwndItem, GWL_STYLE);

    RECT area = item.rcItem;
    Win::fillSolidRect(dc, area, disabled ? m_disabledColor : pressed ? m_pressedColor : m_normalColor);
    const UINT edge = (style & BS_FLAT) ? (pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER) : (pressed ? EDGE_SUNKEN : EDGE_RAISED);
    DrawEdge(dc, &area, edge, BF_RECT);

    InflateRect(&area, -2 * GetSystemMetrics(SM_CXEDGE), -2 * GetSystemMetrics(SM_CYEDGE));
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(dc, &area);
    InflateRect(&area, -1, -1);
    if (pressed)
        OffsetRect(&area, 1, 1);

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT) : m_textColor);
    if (const HFONT font = Win::windowFont(item.hwndItem))
        SelectObject(dc, font);
    std::wstring text = Win::windowText(item.hwndItem);
    drawButtonText(dc, text, area, item.hwndItem);
}

template class CColoredButtonImpl<CColoredButtonCtrl>;
