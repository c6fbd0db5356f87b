#pragma once
// Owners of GDI objects, icons and device contexts, and scopes that put a DC back the way they
// found it.
//
// Every owner keeps a process-wide count of the objects it holds, by kind: Wine's GetGuiResources
// is a stub that reports 0, so these counts are how a test proves that a dialog gave back
// everything it created.

#include <windows.h>

#include <utility>

namespace Win {

enum class GuiKind { Font, Brush, Bitmap, Icon, DeviceContext, Count };

// Objects of this kind currently held by the owners below.
long liveGuiObjects(GuiKind kind) noexcept;

namespace Detail {
void countCreated(GuiKind kind) noexcept;
void countDeleted(GuiKind kind) noexcept;
} // namespace Detail

// Owner of one GDI object, icon or memory DC created by the add-in (never a stock object), given
// back with `Destroy`.
template <class Handle, GuiKind Kind, auto Destroy = &DeleteObject>
class GdiObject {
public:
    GdiObject() noexcept = default;
    explicit GdiObject(Handle handle) noexcept { reset(handle); }
    GdiObject(GdiObject&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_handle = std::exchange(other.m_handle, nullptr);
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() { reset(); }

    // Deletes the object held and takes `handle` (which may be null: creation failed).
    void reset(Handle handle = nullptr) noexcept
    {
        if (m_handle) {
            Destroy(m_handle);
            Detail::countDeleted(Kind);
        }
        m_handle = handle;
        if (m_handle)
            Detail::countCreated(Kind);
    }

    // Hands the object to a new owner (the clipboard, a picture) that destroys it itself.
    Handle release() noexcept
    {
        if (m_handle)
            Detail::countDeleted(Kind);
        return std::exchange(m_handle, nullptr);
    }

    Handle get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != nullptr; }

private:
    Handle m_handle = nullptr;
};

using Font = GdiObject<HFONT, GuiKind::Font>;
using Brush = GdiObject<HBRUSH, GuiKind::Brush>;
using Bitmap = GdiObject<HBITMAP, GuiKind::Bitmap>;

// An icon loaded without LR_SHARED (LoadImageW), which its loader must destroy.
using Icon = GdiObject<HICON, GuiKind::Icon, &DestroyIcon>;
// A memory DC (CreateCompatibleDC).
using MemoryDC = GdiObject<HDC, GuiKind::DeviceContext, &DeleteDC>;

// The DC of a window's client area (GetDC/ReleaseDC); null window: the screen.
class WindowDC {
public:
    explicit WindowDC(HWND window) noexcept : m_window(window), m_dc(GetDC(window))
    {
        if (m_dc)
            Detail::countCreated(GuiKind::DeviceContext);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC()
    {
        if (m_dc) {
            ReleaseDC(m_window, m_dc);
            Detail::countDeleted(GuiKind::DeviceContext);
        }
    }
    HDC get() const noexcept { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

// BeginPaint/EndPaint around a WM_PAINT.
class PaintDC {
public:
    explicit PaintDC(HWND window) noexcept : m_window(window) { BeginPaint(m_window, &m_paint); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    ~PaintDC() { EndPaint(m_window, &m_paint); }
    HDC get() const noexcept { return m_paint.hdc; }

private:
    HWND m_window;
    PAINTSTRUCT m_paint{};
};

// Selects an object into a DC and puts the previous one back, so that an owned object is never
// deleted while still selected.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept : m_dc(dc), m_previous(object ? SelectObject(dc, object) : nullptr) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject()
    {
        if (m_previous)
            SelectObject(m_dc, m_previous);
    }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// Saves a DC's whole state (objects, colours, modes) and restores it: painting into a DC that
// someone else owns (WM_PRINTCLIENT, WM_DRAWITEM) leaves it as it came.
class SavedDCState {
public:
    explicit SavedDCState(HDC dc) noexcept : m_dc(dc), m_level(SaveDC(dc)) {}
    SavedDCState(const SavedDCState&) = delete;
    SavedDCState& operator=(const SavedDCState&) = delete;
    ~SavedDCState()
    {
        if (m_level)
            RestoreDC(m_dc, m_level);
    }

private:
    HDC m_dc;
    int m_level;
};

// Fills a rectangle with one colour without creating a brush (the opaque-text trick).
void fillSolidRect(HDC dc, const RECT& rect, COLORREF colour) noexcept;

// The description of `font`, or of the default GUI font when it is null or unreadable: the base
// from which the controls make their own variants (bold, underlined).
LOGFONTW logFontOf(HFONT font) noexcept;

} // namespace Win
