#include "UI/HyperLink.h"

#include "Com/Module.h"
#include "UI/ControlSupport.h"
#include "Win/RegKey.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <cwchar>
#include <optional>

namespace {

constexpr UINT_PTR ToolId = 1;
constexpr DWORD MaxColorBytes = 24;

// One decimal colour component, spaces allowed around it.
std::optional<BYTE> parseComponent(std::wstring_view text)
{
    while (!text.empty() && text.front() == L' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == L' ')
        text.remove_suffix(1);
    if (text.empty() || text.size() > 3)
        return std::nullopt;
    int value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return std::nullopt;
        value = value * 10 + (c - L'0');
    }
    if (value > 255)
        return std::nullopt;
    return static_cast<BYTE>(value);
}

void readColor(HKEY key, const wchar_t* valueName, COLORREF& color)
{
    wchar_t text[MaxColorBytes / sizeof(wchar_t) + 1] = {};
    DWORD type = REG_NONE;
    DWORD size = MaxColorBytes;
    if (RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS)
        return;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return;
    parseAnchorColor(std::wstring_view(text, wcsnlen(text, size / sizeof(wchar_t))), color);
}

TOOLINFOW toolInfo(HWND control)
{
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE; // understood by every version of the common controls
    tool.hwnd = control;
    tool.uId = ToolId;
    return tool;
}

} // namespace

bool parseAnchorColor(std::wstring_view text, COLORREF& color)
{
    const std::size_t first = text.find(L',');
    if (first == std::wstring_view::npos)
        return false;
    const std::size_t second = text.find(L',', first + 1);
    if (second == std::wstring_view::npos || second + 1 == text.size())
        return false;
    const auto red = parseComponent(text.substr(0, first));
    const auto green = parseComponent(text.substr(first + 1, second - first - 1));
    const auto blue = parseComponent(text.substr(second + 1));
    if (!red || !green || !blue)
        return false;
    color = RGB(*red, *green, *blue);
    return true;
}

bool CHyperLink::attach(HWND window, HFONT font)
{
    m_normalFont = font;
    return WindowSubclass::attach(window);
}

void CHyperLink::onAttached()
{
    const HWND window = hwnd();
    makeStaticNotify(window);
    if (!m_normalFont) {
        LOGFONTW iconTitle{};
        SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof iconTitle, &iconTitle, 0);
        m_ownFont.reset(CreateFontIndirectW(&iconTitle));
        m_normalFont = m_ownFont.get();
    }
    createLinkFont();
    m_tooltip = Win::WindowHandle(CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                                                  CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                                                  Com::Module::instance(), nullptr));
    if (m_label.empty())
        m_label = Win::windowText(window);
    computeLabelRect();
    if (m_url.empty())
        setUrl(m_label);
    else
        updateTool();
    readAnchorColors();
}

void CHyperLink::onDestroy()
{
    m_tooltip.reset();
    m_linkFont.reset();
    if (m_normalFont == m_ownFont.get())
        m_normalFont = nullptr;
    m_ownFont.reset();
}

void CHyperLink::setUrl(std::wstring_view url)
{
    m_url.assign(url);
    if (hwnd())
        updateTool();
}

bool CHyperLink::navigate()
{
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", m_url.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32)
        return false;
    m_visited = true;
    InvalidateRect(hwnd(), nullptr, TRUE);
    return true;
}

void CHyperLink::createLinkFont()
{
    LOGFONTW font = Win::logFontOf(m_normalFont);
    font.lfUnderline = TRUE;
    m_linkFont.reset(CreateFontIndirectW(&font));
}

void CHyperLink::computeLabelRect()
{
    const HWND window = hwnd();
    const RECT client = Win::clientRect(window);
    m_labelRect = client;
    if (!paintsLabel())
        return;
    {
        const Win::WindowDC dc(window);
        const Win::SelectedObject font(dc.get(), m_linkFont.get());
        DrawTextW(dc.get(), m_label.data(), static_cast<int>(m_label.size()), &m_labelRect,
                  DT_LEFT | DT_WORDBREAK | DT_CALCRECT | readingOrderFormat(window));
    }
    const LONG freeWidth = (client.right - client.left) - (m_labelRect.right - m_labelRect.left);
    const UINT align = alignment();
    if (align == DT_CENTER)
        OffsetRect(&m_labelRect, freeWidth / 2, 0);
    else if (align == DT_RIGHT)
        OffsetRect(&m_labelRect, freeWidth, 0);
}

void CHyperLink::updateTool()
{
    if (!m_tooltip)
        return;
    TOOLINFOW tool = toolInfo(hwnd());
    SendMessageW(m_tooltip.get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    tool.rect = m_labelRect;
    tool.lpszText = m_url.data();
    SendMessageW(m_tooltip.get(), TTM_ACTIVATE, TRUE, 0);
    SendMessageW(m_tooltip.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CHyperLink::readAnchorColors()
{
    Win::RegKey key;
    if (key.open(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Settings", KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return;
    readColor(key.get(), L"Anchor Color", m_linkColor);
    readColor(key.get(), L"Anchor Color Visited", m_visitedColor);
}

void CHyperLink::relayToTooltip(UINT message, WPARAM wParam, LPARAM lParam) const
{
    if (!m_tooltip)
        return;
    MSG relayed{hwnd(), message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
    const DWORD position = GetMessagePos();
    relayed.pt = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    SendMessageW(m_tooltip.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

bool CHyperLink::overLabel(LPARAM point) const noexcept
{
    const POINT cursor{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    return PtInRect(&m_labelRect, cursor) != FALSE;
}

// Statics that show a picture or a frame have no label to draw.
bool CHyperLink::paintsLabel() const noexcept
{
    if (!Win::hasWindowClass(hwnd(), L"static"))
        return true;
    switch (GetWindowLongPtrW(hwnd(), GWL_STYLE) & SS_TYPEMASK) {
    case SS_ICON:
    case SS_BLACKRECT:
    case SS_GRAYRECT:
    case SS_WHITERECT:
    case SS_BLACKFRAME:
    case SS_GRAYFRAME:
    case SS_WHITEFRAME:
    case SS_OWNERDRAW:
    case SS_BITMAP:
    case SS_ENHMETAFILE:
    case SS_ETCHEDHORZ:
    case SS_ETCHEDVERT:
    case SS_ETCHEDFRAME:
        return false;
    default:
        return true;
    }
}

UINT CHyperLink::alignment() const noexcept
{
    switch (GetWindowLongPtrW(hwnd(), GWL_STYLE) & SS_TYPEMASK) {
    case SS_CENTER:
        return DT_CENTER;
    case SS_RIGHT:
        return DT_RIGHT;
    default:
        return DT_LEFT;
    }
}

void CHyperLink::DoPaint(HDC dc)
{
    const HWND window = hwnd();
    paintParentBackground(window, dc);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, !IsWindowEnabled(window) ? GetSysColor(COLOR_GRAYTEXT) : m_visited ? m_visitedColor : m_linkColor);
    const Win::SelectedObject font(dc, m_linkFont.get());
    RECT label = m_labelRect;
    DrawTextW(dc, m_label.data(), static_cast<int>(m_label.size()), &label, alignment() | DT_WORDBREAK | readingOrderFormat(window));
    if (GetFocus() == window)
        DrawFocusRect(dc, &m_labelRect);
}

bool CHyperLink::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    const HWND window = hwnd();
    if ((message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) || message == WM_MOUSELEAVE)
        relayToTooltip(message, wParam, lParam);
    if (paintsLabel() && handlePaintMessage(window, message, wParam, [this](HDC dc) { DoPaint(dc); }))
        return true;

    switch (message) {
    case WM_ERASEBKGND:
        result = TRUE; // painting fills the background from the parent
        return true;
    case WM_SETCURSOR:
        if (!Win::cursorIn(window, m_labelRect))
            return false;
        SetCursor(m_cursor);
        result = TRUE;
        return true;
    case WM_MOUSEMOVE:
        if (overLabel(lParam))
            SetCursor(m_cursor);
        return true;
    case WM_LBUTTONDOWN:
        if (overLabel(lParam)) {
            SetFocus(window);
            SetCapture(window);
        }
        return true;
    case WM_LBUTTONUP:
        if (GetCapture() == window) {
            ReleaseCapture();
            if (overLabel(lParam))
                navigate();
        }
        return true;
    case WM_CHAR:
        if (wParam != VK_RETURN && wParam != VK_SPACE)
            return false;
        navigate();
        return true;
    case WM_GETDLGCODE: {
        // Enter would press the dialog's default button; on a focused link it opens the link.
        const auto* keyboard = reinterpret_cast<const MSG*>(lParam);
        const bool enter = keyboard && keyboard->message == WM_KEYDOWN && keyboard->wParam == VK_RETURN;
        result = DLGC_WANTCHARS | (enter ? DLGC_WANTMESSAGE : 0);
        return true;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
        InvalidateRect(window, nullptr, TRUE);
        return true;
    case WM_SIZE:
        computeLabelRect();
        updateTool();
        InvalidateRect(window, nullptr, TRUE);
        return false;
    case WM_SETFONT:
        m_normalFont = reinterpret_cast<HFONT>(wParam);
        createLinkFont();
        computeLabelRect();
        updateTool();
        if (LOWORD(lParam))
            InvalidateRect(window, nullptr, TRUE);
        return true;
    case WM_GETFONT:
        result = reinterpret_cast<LRESULT>(m_normalFont);
        return true;
    default:
        return false;
    }
}
