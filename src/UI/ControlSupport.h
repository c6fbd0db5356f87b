#pragma once
// What the add-in's owner-drawn controls share: mouse input for statics, the parent's
// background, and the two ways a control is asked to paint.

#include "Win/Gdi.h"

#include <windows.h>

// A control whose window class is "static" gets SS_NOTIFY, so that it receives mouse input.
void makeStaticNotify(HWND control) noexcept;

// Asks the parent for the control's background (WM_CTLCOLORSTATIC with the control's DC) and,
// when the parent answers with a brush, fills the client rectangle with it.
void paintParentBackground(HWND control, HDC dc) noexcept;

// DT_RTLREADING for a control in a mirrored (right-to-left) dialog, else 0. Added to every
// DrawText of the owner-drawn controls: the dialog's layout decides where the text sits, the
// reading order where its neutral characters (a full stop, "...", a version's dots) go.
UINT readingOrderFormat(HWND control) noexcept;

// WM_PAINT paints through BeginPaint/EndPaint; WM_PRINTCLIENT paints on the DC it carries,
// which is handed back in the state it came in. False for any other message.
template <class Paint>
bool handlePaintMessage(HWND control, UINT message, WPARAM wParam, Paint&& paint)
{
    if (message == WM_PAINT) {
        Win::PaintDC dc(control);
        paint(dc.get());
        return true;
    }
    if (message == WM_PRINTCLIENT) {
        const HDC dc = reinterpret_cast<HDC>(wParam);
        Win::SavedDCState state(dc);
        paint(dc);
        return true;
    }
    return false;
}
