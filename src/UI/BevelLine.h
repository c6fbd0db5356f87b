#pragma once
// CBevelLine: an etched line across a static with the static's text in a gap in the middle
// (the "OR" between the two ways to sign in). The control paints no background of its own.

#include "Win/WindowSubclass.h"

template <class T, class TBase = Win::WindowSubclass>
class CBevelLineImpl : public TBase {
public:
    // Sunken: dark edge above, light edge below; raised swaps them.
    void setSunken(bool sunken) noexcept { m_sunken = sunken; }
    // The band reaches this many pixels above and below the control's middle.
    void setHalfThickness(int pixels) noexcept { m_halfThickness = pixels; }
    // The font of the text (not owned: the dialog keeps the control's own).
    void setFont(HFONT font) noexcept { m_font = font; }

    void DoPaint(HDC dc);

protected:
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool m_sunken = true;
    int m_halfThickness = 1;
    HFONT m_font = nullptr;
};

class CBevelLine : public CBevelLineImpl<CBevelLine> {};
