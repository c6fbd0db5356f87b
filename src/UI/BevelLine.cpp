#include "UI/BevelLine.h"

#include "UI/ControlSupport.h"
#include "Win/Gdi.h"

namespace {

constexpr int MaxTextLength = 126;
constexpr int GapPadding = 20; // the gap is this much wider than the text

// A 3-D frame as four one-pixel strips: top and left in the first colour, right and bottom in
// the second.
void draw3dFrame(HDC dc, const RECT& frame, COLORREF first, COLORREF second) noexcept
{
    Win::fillSolidRect(dc, {frame.left, frame.top, frame.right - 1, frame.top + 1}, first);
    Win::fillSolidRect(dc, {frame.left, frame.top, frame.left + 1, frame.bottom - 1}, first);
    Win::fillSolidRect(dc, {frame.right - 1, frame.top, frame.right, frame.bottom}, second);
    Win::fillSolidRect(dc, {frame.left, frame.bottom - 1, frame.right, frame.bottom}, second);
}

} // namespace

template <class T, class TBase>
bool CBevelLineImpl<T, TBase>::onMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&)
{
    return handlePaintMessage(this->hwnd(), message, wParam, [this](HDC dc) { static_cast<T*>(this)->DoPaint(dc); });
}

template <class T, class TBase>
void CBevelLineImpl<T, TBase>::DoPaint(HDC dc)
{
    const HWND window = this->hwnd();
    RECT client{};
    GetClientRect(window, &client);
    wchar_t text[MaxTextLength + 1] = {};
    const int length = GetWindowTextW(window, text, MaxTextLength + 1);

    const Win::SelectedObject font(dc, m_font);
    RECT measured = client;
    const UINT format = DT_SINGLELINE | DT_VCENTER | DT_CENTER | readingOrderFormat(window);
    DrawTextW(dc, text, length, &measured, format | DT_CALCRECT);
    const int textWidth = measured.right - measured.left;

    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF first = m_sunken ? shadow : highlight;
    const COLORREF second = m_sunken ? highlight : shadow;

    const LONG middle = client.bottom / 2;
    const RECT band{client.left, middle - m_halfThickness, client.right, middle + m_halfThickness};
    const LONG gapStart = band.left + (band.right - band.left) / 2 - (textWidth + GapPadding) / 2;
    const LONG gapEnd = gapStart + textWidth + GapPadding;
    draw3dFrame(dc, {band.left, band.top, gapStart, band.bottom}, first, second);
    draw3dFrame(dc, {gapEnd, band.top, band.right, band.bottom}, first, second);

    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text, length, &client, format);
}

template class CBevelLineImpl<CBevelLine>;
