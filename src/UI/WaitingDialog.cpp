#include "UI/WaitingDialog.h"

#include "Com/ComError.h"

#include <commctrl.h>

namespace {

constexpr COLORREF BackgroundColor = RGB(77, 77, 77);
constexpr COLORREF TextColor = RGB(255, 255, 255);
constexpr RECT AnimationPlace{10, 12, 42, 44}; // pixels: 32 x 32 at 10, 12

CWaiting::Timing& progressTiming()
{
    static CWaiting::Timing timing;
    return timing;
}

} // namespace

CWaiting::CWaiting(Server::Request& request) : CWaiting(request, Timing{}) {}

CWaiting::CWaiting(Server::Request& request, Timing timing) : m_request(request), m_timing(std::move(timing)) {}

bool CWaiting::onMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    switch (message) {
    case WM_INITDIALOG:
        onInitDialog();
        setItemString(IDC_WAITING_MESSAGE, IDS_COMMUNICATING);
        result = FALSE; // no default focus
        return true;
    case WM_TIMER:
        onTick();
        return true;
    case WM_CTLCOLORSTATIC: {
        const auto dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, TextColor);
        SetBkColor(dc, BackgroundColor);
        result = reinterpret_cast<LRESULT>(m_background.get());
        return true;
    }
    case WM_CTLCOLORDLG:
        result = reinterpret_cast<LRESULT>(m_background.get());
        return true;
    case WM_CLOSE:
        // Closing the pop-up only stops the waiting; the request goes on. EndDialog alone: the
        // modal loop destroys the window, and destroying it here would lose the result.
        endDialog(Completed);
        return true;
    case WM_DESTROY:
        stopTimer();
        return true;
    default:
        return false;
    }
}

void CWaiting::onInitDialog()
{
    centerWindow();
    m_background.reset(CreateSolidBrush(BackgroundColor));
    m_animation = item(IDC_ANIMATION);
    MoveWindow(m_animation, AnimationPlace.left, AnimationPlace.top, AnimationPlace.right - AnimationPlace.left,
               AnimationPlace.bottom - AnimationPlace.top, TRUE);
    SendMessageW(m_animation, ACM_OPENW, reinterpret_cast<WPARAM>(Com::Module::instance()),
                 reinterpret_cast<LPARAM>(L"WAITING_ANIMATION"));
    SendMessageW(m_animation, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
    m_timer = SetTimer(hwnd(), TimerId, m_timing.period, nullptr);
    m_start = m_timing.tickCount();
}

void CWaiting::onTick()
{
    // Unsigned: a tick count that wraps past 2^32 during the wait still gives the true span.
    const DWORD elapsed = m_timing.tickCount() - m_start;
    if (elapsed > TimeLimit) {
        abortQuietly();
        finish(TimedOut);
        return;
    }
    try {
        if (m_request.wait(0))
            finish(Completed);
    } catch (const Com::ComError&) {
        abortQuietly();
        finish(Failed);
    }
}

void CWaiting::finish(Result result)
{
    stopTimer();
    endDialog(result);
}

void CWaiting::abortQuietly() noexcept
{
    try {
        m_request.abort();
    } catch (const Com::ComError&) {
        // The request is given up either way; abort logs its own failure.
    }
}

void CWaiting::stopTimer() noexcept
{
    if (m_timer) {
        KillTimer(hwnd(), m_timer);
        m_timer = 0;
    }
}

void runWithProgress(Server::Request& request)
{
    {
        CWaiting waiting(request, progressTiming());
        waiting.runModal(GetActiveWindow());
    } // the dialog and its brush are gone before the last look at the request
    request.wait(0);
}

void setProgressTiming(CWaiting::Timing timing)
{
    progressTiming() = std::move(timing);
}
