#include "UI/FacebookButton.h"

#include "Com/Module.h"
#include "Log.h"
#include "UI/ControlSupport.h"
#include "Win/Window.h"

#include <windowsx.h>

namespace {

constexpr COLORREF FaceColor = RGB(66, 103, 178);
constexpr int MarkSize = 32;

} // namespace

template <class T, class TBase>
void CFacebookButtonImpl<T, TBase>::onAttached()
{
    const HWND window = this->hwnd();
    makeStaticNotify(window);
    m_face.reset(CreateSolidBrush(FaceColor));
    LOGFONTW font = Win::logFontOf(Win::windowFont(GetParent(window)));
    font.lfWeight = FW_BOLD;
    m_font.reset(CreateFontIndirectW(&font));
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), TRUE);
    loadMark();
    m_hitRect = Win::clientRect(window);
}

// The icon drawn once into a bitmap of its own size, which painting then stretches to the
// button's height.
template <class T, class TBase>
void CFacebookButtonImpl<T, TBase>::loadMark()
{
    const Win::Icon icon(static_cast<HICON>(
        LoadImageW(Com::Module::instance(), L"FACEBOOK_F", IMAGE_ICON, MarkSize, MarkSize, LR_DEFAULTCOLOR)));
    if (!icon)
        return;
    const Win::WindowDC screen(nullptr);
    Win::Bitmap mark(CreateCompatibleBitmap(screen.get(), MarkSize, MarkSize));
    const Win::MemoryDC canvas(CreateCompatibleDC(screen.get()));
    if (!mark || !canvas)
        return;
    {
        const Win::SelectedObject selected(canvas.get(), mark.get());
        DrawIconEx(canvas.get(), 0, 0, icon.get(), MarkSize, MarkSize, 0, nullptr, DI_NORMAL);
    }
    m_mark = std::move(mark);
}

template <class T, class TBase>
bool CFacebookButtonImpl<T, TBase>::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    const HWND window = this->hwnd();
    if (handlePaintMessage(window, message, wParam, [this](HDC dc) { static_cast<T*>(this)->DoPaint(dc); }))
        return true;
    switch (message) {
    case WM_ERASEBKGND:
        result = TRUE; // painting covers the whole control
        return true;
    case WM_SETCURSOR:
        if (!Win::cursorIn(window, m_hitRect))
            return false;
        result = TRUE; // the hand set on WM_MOUSEMOVE stays
        return true;
    case WM_MOUSEMOVE:
        if (inside(lParam))
            SetCursor(m_cursor);
        return true;
    case WM_LBUTTONDOWN:
        if (inside(lParam)) {
            SetFocus(window);
            SetCapture(window);
        }
        return true;
    case WM_LBUTTONUP:
        // A click is a press and a release on the button; a press that started elsewhere and
        // ends here is no click.
        if (GetCapture() == window) {
            ReleaseCapture();
            if (inside(lParam))
                click();
        }
        return true;
    default:
        return false;
    }
}

template <class T, class TBase>
void CFacebookButtonImpl<T, TBase>::DoPaint(HDC dc)
{
    const HWND window = this->hwnd();
    const RECT client = Win::clientRect(window);
    const int height = client.bottom - client.top;
    paintParentBackground(window, dc);

    {
        const Win::SelectedObject brush(dc, m_face.get());
        const Win::SelectedObject pen(dc, GetStockObject(NULL_PEN));
        // Without a pen the fill stops one pixel short of the right and bottom edges: reach
        // them so that the face covers the whole client area.
        RoundRect(dc, client.left, client.top, client.right + 1, client.bottom + 1, height / 4, height / 4);
    }

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, m_textColor == CLR_INVALID ? GetSysColor(COLOR_CAPTIONTEXT) : m_textColor);
    const Win::SelectedObject font(dc, m_font.get());
    const LONG_PTR alignment = GetWindowLongPtrW(window, GWL_STYLE) & SS_TYPEMASK;
    UINT format = DT_VCENTER | DT_SINGLELINE | readingOrderFormat(window);
    if (alignment == SS_CENTER)
        format |= DT_CENTER | DT_WORDBREAK;
    else if (alignment == SS_RIGHT)
        format |= DT_RIGHT;
    std::wstring text = Win::windowText(window);
    RECT textRect = client;
    DrawTextW(dc, text.data(), static_cast<int>(text.size()), &textRect, format);

    if (!m_mark) {
        TVZ_LOG("No picture");
        return;
    }
    const int side = MulDiv(height, 2, 3);
    const int margin = static_cast<int>(static_cast<unsigned>(height - side) / 2);
    const Win::MemoryDC source(CreateCompatibleDC(dc));
    const Win::SelectedObject mark(source.get(), m_mark.get());
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    // In a right-to-left dialog the DC is mirrored: the mark moves to the other side but keeps
    // its own orientation.
    StretchBlt(dc, 2 * margin, margin, side, side, source.get(), 0, 0, MarkSize, MarkSize, SRCCOPY | NOMIRRORBITMAP);
}

template <class T, class TBase>
bool CFacebookButtonImpl<T, TBase>::inside(LPARAM point) const noexcept
{
    const POINT cursor{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    return PtInRect(&m_hitRect, cursor) != FALSE;
}

template <class T, class TBase>
void CFacebookButtonImpl<T, TBase>::click() const
{
    const HWND window = this->hwnd();
    const int id = GetDlgCtrlID(window);
    SendMessageW(GetParent(window), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(window));
}

template class CFacebookButtonImpl<CFacebookButtonCtl>;
