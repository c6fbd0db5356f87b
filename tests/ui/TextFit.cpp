#include "TextFit.h"

#include "Win/Gdi.h"
#include "Win/Window.h"

namespace UiTest {

namespace {

// The Facebook buttons centre their text over the whole face and draw the mark, two thirds of
// the height high, a margin in from the leading edge: the text must clear the mark on both sides.
constexpr int FacebookButtons[] = {318, 328};

bool isFacebookButton(int id)
{
    for (const int facebook : FacebookButtons)
        if (id == facebook)
            return true;
    return false;
}

RECT textArea(HWND control, bool button, int id)
{
    RECT area = Win::clientRect(control);
    if (button) {
        // Edge, focus rectangle and a pixel: what the add-in's buttons and the system's keep free.
        InflateRect(&area, -(2 * GetSystemMetrics(SM_CXEDGE) + 1), -(2 * GetSystemMetrics(SM_CYEDGE) + 1));
    } else if (isFacebookButton(id)) {
        const int height = area.bottom - area.top;
        const int side = MulDiv(height, 2, 3);
        const int markEnd = 2 * ((height - side) / 2) + side;
        InflateRect(&area, -markEnd, 0);
    }
    return area;
}

} // namespace

std::vector<TextFit> measureTexts(HWND dialog)
{
    std::vector<TextFit> fits;
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        const bool button = Win::hasWindowClass(control, L"button");
        if (!IsWindowVisible(control) || !(button || Win::hasWindowClass(control, L"static")))
            continue;
        const std::wstring text = Win::windowText(control);
        if (text.empty())
            continue;
        const int id = GetDlgCtrlID(control);
        const RECT area = textArea(control, button, id);
        const Win::WindowDC dc(control);
        const Win::SelectedObject font(dc.get(), Win::windowFont(control));
        RECT measured{0, 0, area.right - area.left, 0};
        const UINT format = DT_CALCRECT | DT_NOPREFIX | (button ? DT_SINGLELINE : DT_WORDBREAK);
        DrawTextW(dc.get(), text.data(), static_cast<int>(text.size()), &measured, format);
        fits.push_back({id, 'w', static_cast<int>(measured.right - measured.left), static_cast<int>(area.right - area.left)});
        if (!button) // a button's one line is centred in it, however high the font
            fits.push_back({id, 'h', static_cast<int>(measured.bottom - measured.top), static_cast<int>(area.bottom - area.top)});
    }
    return fits;
}

} // namespace UiTest
