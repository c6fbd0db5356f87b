#pragma once
// Base of the add-in's controls: takes over a window that a dialog template created, by
// replacing its window procedure. Messages the control does not handle go to the procedure it
// replaced; the control lets go of the window when the window is destroyed (or when the
// control object dies first).

#include <windows.h>

namespace Win {

class WindowSubclass {
public:
    WindowSubclass() noexcept = default;
    WindowSubclass(const WindowSubclass&) = delete;
    WindowSubclass& operator=(const WindowSubclass&) = delete;
    virtual ~WindowSubclass() { detach(); }

    // Takes over the window and runs the control's set-up; false when the window is invalid,
    // already taken over by one of ours, or this object holds a window already.
    bool attach(HWND window);
    // Gives the window back its own procedure (when nobody replaced ours meanwhile).
    void detach() noexcept;

    HWND hwnd() const noexcept { return m_hwnd; }

protected:
    // The control's message map: true when the message was handled, with its answer in result.
    virtual bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    // The set-up, run once the window is taken over.
    virtual void onAttached() {}
    // The window is being destroyed (WM_DESTROY): release what belongs to it.
    virtual void onDestroy() {}

    LRESULT callReplaced(UINT message, WPARAM wParam, LPARAM lParam) const;

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT route(UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hwnd = nullptr;
    WNDPROC m_replaced = nullptr;
};

} // namespace Win
