#pragma once
// Small helpers over window handles, and the owner of a window the add-in creates itself.

#include <windows.h>

#include <string>
#include <utility>

namespace Win {

std::wstring windowText(HWND window);
// Whether the window's class is `className`, compared without regard to case.
bool hasWindowClass(HWND window, const wchar_t* className);
RECT clientRect(HWND window) noexcept;
RECT windowRect(HWND window) noexcept;
// Whether the mouse cursor is now inside `area`, given in the window's client coordinates.
bool cursorIn(HWND window, const RECT& area) noexcept;
// The font a window draws with (WM_GETFONT); null for the system font.
inline HFONT windowFont(HWND window) noexcept
{
    return reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
}

// Owner of a window created with CreateWindowExW, destroyed with its owner object.
class WindowHandle {
public:
    WindowHandle() noexcept = default;
    explicit WindowHandle(HWND window) noexcept : m_window(window) {}
    WindowHandle(WindowHandle&& other) noexcept : m_window(std::exchange(other.m_window, nullptr)) {}
    WindowHandle& operator=(WindowHandle&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_window = std::exchange(other.m_window, nullptr);
        }
        return *this;
    }
    WindowHandle(const WindowHandle&) = delete;
    WindowHandle& operator=(const WindowHandle&) = delete;
    ~WindowHandle() { reset(); }

    void reset() noexcept
    {
        // The window may be gone already: owned pop-ups die with their owner.
        if (m_window && IsWindow(m_window))
            DestroyWindow(m_window);
        m_window = nullptr;
    }
    HWND get() const noexcept { return m_window; }
    explicit operator bool() const noexcept { return m_window != nullptr; }

private:
    HWND m_window = nullptr;
};

} // namespace Win
