#include "UI/StyledStatic.h"

#include "UI/ControlSupport.h"
#include "Win/Window.h"

#include <string>

template <class T, class TBase>
void CStyledStaticCtrlImpl<T, TBase>::onAttached()
{
    const HWND window = this->hwnd();
    makeStaticNotify(window);
    LOGFONTW font = Win::logFontOf(Win::windowFont(GetParent(window)));
    font.lfWeight = m_fontWeight;
    m_font.reset(CreateFontIndirectW(&font));
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), TRUE);
    m_background.reset(CreateSolidBrush(m_backgroundColor));
}

template <class T, class TBase>
bool CStyledStaticCtrlImpl<T, TBase>::onMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&)
{
    return handlePaintMessage(this->hwnd(), message, wParam, [this](HDC dc) { static_cast<T*>(this)->DoPaint(dc); });
}

template <class T, class TBase>
void CStyledStaticCtrlImpl<T, TBase>::DoPaint(HDC dc)
{
    const HWND window = this->hwnd();
    paintParentBackground(window, dc);
    RECT client = Win::clientRect(window);
    FillRect(dc, &client, m_background.get());

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, m_textColor == CLR_INVALID ? GetSysColor(COLOR_CAPTIONTEXT) : m_textColor);
    const Win::SelectedObject font(dc, m_font.get());
    client.left += m_textIndent;
    std::wstring text = Win::windowText(window);
    DrawTextW(dc, text.data(), static_cast<int>(text.size()), &client, DT_SINGLELINE | DT_VCENTER | DT_LEFT | readingOrderFormat(window));
}

template class CStyledStaticCtrlImpl<CStyledStaticCtrl>;
