#pragma once
// CStyledStaticCtrl: a static with its own background, text colour, font weight and text
// indent (the settings dialog's caption bar). The style is set before the control is
// attached; attaching turns it into the control's font and brush.

#include "Win/Gdi.h"
#include "Win/WindowSubclass.h"

template <class T, class TBase = Win::WindowSubclass>
class CStyledStaticCtrlImpl : public TBase {
public:
    // CLR_INVALID stands for the system caption-text colour.
    void setTextColor(COLORREF color) noexcept { m_textColor = color; }
    void setBackgroundColor(COLORREF color) noexcept { m_backgroundColor = color; }
    void setFontWeight(int weight) noexcept { m_fontWeight = weight; }
    void setTextIndent(int pixels) noexcept { m_textIndent = pixels; }

    void DoPaint(HDC dc);

protected:
    void onAttached() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    COLORREF m_textColor = CLR_INVALID;
    COLORREF m_backgroundColor = RGB(255, 255, 255);
    int m_fontWeight = FW_NORMAL;
    int m_textIndent = 0;
    Win::Font m_font;
    Win::Brush m_background;
};

class CStyledStaticCtrl : public CStyledStaticCtrlImpl<CStyledStaticCtrl> {};
