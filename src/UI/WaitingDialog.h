#pragma once
// CWaiting: the small dark pop-up with an animation and "Communicating with the Talvora
// server..." that runs while one service request is under way. It looks at the request twice a
// second and closes when the request completes (1), fails (2, request aborted) or has run for
// more than 60 seconds (3, request aborted). It offers no way to cancel.

#include "../../res/resource.h"
#include "Server.h"
#include "UI/LocalizedDialog.h"
#include "Win/Gdi.h"

#include <functional>

class CWaiting : public CLocalizedDialog<IDD_WAITING, IDD_WAITING_RTL> {
public:
    static constexpr UINT_PTR TimerId = 1001;
    static constexpr DWORD TimeLimit = 60000; // ms

    // The clock of the dialog: GetTickCount and a 500 ms poll, unless a test needs another.
    struct Timing {
        std::function<DWORD()> tickCount = [] { return GetTickCount(); };
        UINT period = 500; // ms
    };

    enum Result : INT_PTR { Completed = 1, Failed = 2, TimedOut = 3 };

    explicit CWaiting(Server::Request& request);
    CWaiting(Server::Request& request, Timing timing);

    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void onInitDialog();
    void onTick();
    void finish(Result result);
    void abortQuietly() noexcept;
    void stopTimer() noexcept;

    Win::Brush m_background;
    HWND m_animation = nullptr;
    UINT_PTR m_timer = 0;
    DWORD m_start = 0;
    Server::Request& m_request;
    Timing m_timing;
};

// Waits for a request that has just been sent asynchronously behind the progress dialog, over
// the active window, then asks the request once more (wait(0)); its outcome is then read from
// the request itself. A COM error from that last wait reaches the caller.
void runWithProgress(Server::Request& request);

// The clock of the progress dialogs runWithProgress opens from now on. A seam for the tests of
// the operations that wait there: they cannot reach the dialog an operation makes, yet must see
// its one-minute limit pass within moments. The add-in itself never calls it.
void setProgressTiming(CWaiting::Timing timing);
