#include "UiTestSupport.h"

#include "Win/Reflection.h"
#include "Win/Window.h"

#include <algorithm>

namespace UiTest {

// --- FakeHttpRequest -------------------------------------------------------------------------

FakeHttpRequest::FakeHttpRequest(std::vector<Answer> answers, HRESULT abortResult)
    : m_answers(std::move(answers)), m_abortResult(abortResult)
{
}

HRESULT STDMETHODCALLTYPE FakeHttpRequest::QueryInterface(REFIID iid, void** object)
{
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_WinHttpRequest) {
        *object = static_cast<IWinHttpRequest*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE FakeHttpRequest::WaitForResponse(VARIANT, VARIANT_BOOL* succeeded)
{
    const std::size_t call = m_waitTimes.size();
    m_waitTimes.push_back(GetTickCount());
    const Answer answer = m_answers.empty() ? Answer::Pending : m_answers[std::min(call, m_answers.size() - 1)];
    if (answer == Answer::Fail)
        return E_FAIL;
    *succeeded = answer == Answer::Complete ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeHttpRequest::Abort()
{
    ++m_aborts;
    return m_abortResult;
}

ScriptedRequest::ScriptedRequest(std::vector<FakeHttpRequest::Answer> answers, HRESULT abortResult)
    : fake(std::move(answers), abortResult)
{
    request.request = Com::ComPtr<IWinHttpRequest>(&fake);
}

// --- GuiObjectCounts -------------------------------------------------------------------------

GuiObjectCounts::GuiObjectCounts()
{
    for (int kind = 0; kind < static_cast<int>(Win::GuiKind::Count); ++kind)
        live[static_cast<std::size_t>(kind)] = Win::liveGuiObjects(static_cast<Win::GuiKind>(kind));
}

std::ostream& operator<<(std::ostream& out, const GuiObjectCounts& counts)
{
    static const char* const names[] = {"fonts", "brushes", "bitmaps", "icons", "DCs"};
    for (std::size_t kind = 0; kind < counts.live.size(); ++kind)
        out << (kind ? ", " : "") << names[kind] << ' ' << counts.live[kind];
    return out;
}

// --- DialogTest ------------------------------------------------------------------------------

void DialogTest::TearDown()
{
    EXPECT_EQ(GuiObjectCounts(), m_before) << "GDI objects the dialog made are left";
    EXPECT_EQ(robot.windowsAlive(), 0u) << "windows the dialog made are left";
}

CAccount suspendedAccount()
{
    CAccount account;
    account.login = L"ann@example.com";
    account.accessToken = L"tok3n";
    account.subscriptionId = L"4711";
    account.subscription.status = "suspended";
    return account;
}

// --- ControlHost -----------------------------------------------------------------------------

namespace {

constexpr wchar_t HostClass[] = L"TalvoraTestControlHost";

} // namespace

ControlHost::ControlHost(DWORD exStyle) : m_brush(CreateSolidBrush(Background))
{
    WNDCLASSEXW windowClass{sizeof windowClass};
    windowClass.lpfnWndProc = &ControlHost::windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = HostClass;
    RegisterClassExW(&windowClass); // the second host on finds it registered
    m_hwnd = CreateWindowExW(exStyle, HostClass, L"host", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr,
                             GetModuleHandleW(nullptr), this);
}

ControlHost::~ControlHost()
{
    DestroyWindow(m_hwnd);
    DeleteObject(m_brush);
}

HWND ControlHost::addChild(const wchar_t* className, int id, const wchar_t* text, DWORD style, int width, int height)
{
    const HWND child = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, width, height, m_hwnd,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return child;
}

LRESULT CALLBACK ControlHost::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* host = reinterpret_cast<ControlHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!host)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_CTLCOLORSTATIC)
        return host->m_answerBackground ? reinterpret_cast<LRESULT>(host->m_brush) : 0;
    if (message == WM_COMMAND)
        host->m_commands.push_back({LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
    LRESULT result = 0;
    if (Win::reflectNotification(window, message, wParam, lParam, result))
        return result;
    return DefWindowProcW(window, message, wParam, lParam);
}

// --- Capture ---------------------------------------------------------------------------------

Capture::Capture(int width, int height, COLORREF fill) : m_width(width), m_height(height), m_dc(CreateCompatibleDC(nullptr))
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_bits = static_cast<const DWORD*>(bits);
    m_previous = SelectObject(m_dc, m_bitmap);
    const RECT all{0, 0, width, height};
    Win::fillSolidRect(m_dc, all, fill);
}

Capture::Capture(HWND window, COLORREF fill)
    : Capture(Win::clientRect(window).right, Win::clientRect(window).bottom, fill)
{
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(m_dc), PRF_CLIENT);
    GdiFlush();
}

Capture::~Capture()
{
    SelectObject(m_dc, m_previous);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
}

COLORREF Capture::pixel(int x, int y) const
{
    GdiFlush();
    const DWORD value = m_bits[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x)];
    return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

RECT Capture::boundsOf(COLORREF color) const
{
    RECT bounds{m_width, m_height, 0, 0};
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x)
            if (pixel(x, y) == color) {
                bounds.left = std::min<LONG>(bounds.left, x);
                bounds.top = std::min<LONG>(bounds.top, y);
                bounds.right = std::max<LONG>(bounds.right, x + 1);
                bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
            }
    return IsRectEmpty(&bounds) ? RECT{} : bounds;
}

bool Capture::contains(COLORREF color) const
{
    const RECT bounds = boundsOf(color);
    return !IsRectEmpty(&bounds);
}

} // namespace UiTest
