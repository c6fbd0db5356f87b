#pragma once
// CFacebookButtonCtl: the rounded blue "Continue with Facebook" button with the Facebook mark,
// made from a static of the dialog template. A click (press and release on it) sends
// WM_COMMAND BN_CLICKED with the control's id to the parent; it has no keyboard activation.

#include "Win/Gdi.h"
#include "Win/WindowSubclass.h"

template <class T, class TBase = Win::WindowSubclass>
class CFacebookButtonImpl : public TBase {
public:
    // The text colour; CLR_INVALID stands for the system caption-text colour.
    void setTextColor(COLORREF color) noexcept { m_textColor = color; }

    void DoPaint(HDC dc);

protected:
    void onAttached() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void loadMark();
    bool inside(LPARAM point) const noexcept;
    void click() const;

    COLORREF m_textColor = RGB(255, 255, 255);
    Win::Brush m_face;
    Win::Font m_font;
    Win::Bitmap m_mark;
    RECT m_hitRect{};
    HCURSOR m_cursor = LoadCursorW(nullptr, IDC_HAND); // shared: the system owns it
};

class CFacebookButtonCtl : public CFacebookButtonImpl<CFacebookButtonCtl> {};
