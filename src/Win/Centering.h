#pragma once
// Where the add-in's dialogs appear: centred on their owner window while it is on screen,
// otherwise on the work area of the nearest monitor, and never past that work area's edges.

#include <windows.h>

namespace Win {

// The top-left that puts the centre of `window` on the centre of `reference`, moved left and
// up so that it does not pass the right or bottom edge of `workArea`, then right and down so
// that it does not pass its left or top edge (a window larger than the work area keeps its
// top-left corner on the work area's).
POINT centredPosition(const RECT& window, const RECT& reference, const RECT& workArea) noexcept;

// Moves the window (position only: size, Z order and activation unchanged). The reference is
// its owner when the owner exists, is visible and is not minimised; else the work area of the
// monitor nearest to the owner, or to the window itself when it has no owner.
void centerOnOwner(HWND window) noexcept;

} // namespace Win
