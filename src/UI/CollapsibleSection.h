#pragma once
// One group of a dialog's controls that can be hidden, the controls below it moving up to close
// the gap and the dialog shrinking by as much: a frame (a static enclosing the group), the
// controls inside it, and the controls below it, all taken once from the template's layout.

#include <windows.h>

#include <vector>

class CollapsibleSection {
public:
    // Members: the frame and every sibling whose window rectangle lies wholly inside the
    // frame's (right and bottom edges exclusive). Below: every other sibling whose top edge is
    // below the frame's bottom edge. Height: the frame's height plus the smallest gap between
    // its bottom edge and a control below.
    void build(HWND dialog, int frameId);
    // Shows or hides the members, moves the controls below by the height and resizes the dialog.
    void show(bool shown);

    bool shown() const noexcept { return m_shown; }
    int height() const noexcept { return m_height; }

private:
    HWND m_dialog = nullptr;
    HWND m_frame = nullptr;
    std::vector<HWND> m_members;
    std::vector<HWND> m_below;
    int m_height = 0;
    bool m_shown = true;
};
