#include "UI/CollapsibleSection.h"

#include "Win/Window.h"

#include <climits>

namespace {

bool inside(const RECT& outer, POINT point) noexcept
{
    return point.x >= outer.left && point.x < outer.right && point.y >= outer.top && point.y < outer.bottom;
}

// Moves a child vertically; client coordinates come through MapWindowPoints, which also
// handles a mirrored (right-to-left) dialog.
void moveVertically(HWND dialog, HWND control, int dy) noexcept
{
    RECT rect = Win::windowRect(control);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    SetWindowPos(control, nullptr, rect.left, rect.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

void CollapsibleSection::build(HWND dialog, int frameId)
{
    m_dialog = dialog;
    m_frame = GetDlgItem(dialog, frameId);
    const RECT frame = Win::windowRect(m_frame);
    int gap = INT_MAX;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT rect = Win::windowRect(child);
        if (child == m_frame || (inside(frame, {rect.left, rect.top}) && inside(frame, {rect.right, rect.bottom})))
            m_members.push_back(child);
        else if (rect.top > frame.bottom) {
            m_below.push_back(child);
            if (rect.top - frame.bottom < gap)
                gap = rect.top - frame.bottom;
        }
    }
    m_height = (frame.bottom - frame.top) + (m_below.empty() ? 0 : gap);
}

void CollapsibleSection::show(bool shown)
{
    if (m_shown == shown)
        return;
    m_shown = shown;
    const int dy = shown ? m_height : -m_height;
    for (HWND member : m_members)
        ShowWindow(member, shown ? SW_SHOW : SW_HIDE);
    for (HWND control : m_below)
        moveVertically(m_dialog, control, dy);
    const RECT window = Win::windowRect(m_dialog);
    SetWindowPos(m_dialog, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + dy,
                 SWP_NOMOVE | SWP_NOZORDER);
    RedrawWindow(m_dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}
