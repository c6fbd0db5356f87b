#pragma once
// CColoredButtonCtrl: a push button of the dialog template made owner-drawn in chosen colours.
// It draws itself from the WM_DRAWITEM its dialog reflects back to it.

#include "Win/WindowSubclass.h"

template <class T, class TBase = Win::WindowSubclass>
class CColoredButtonImpl : public TBase {
public:
    // The system's button colours until the dialog chooses its own, before or after attaching.
    CColoredButtonImpl() noexcept;

    void setTextColor(COLORREF color) noexcept { m_textColor = color; }
    void setNormalColor(COLORREF color) noexcept { m_normalColor = color; }
    void setPressedColor(COLORREF color) noexcept { m_pressedColor = color; }
    void setDisabledColor(COLORREF color) noexcept { m_disabledColor = color; }

    void DrawItem(const DRAWITEMSTRUCT& item) const;

protected:
    void onAttached() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    COLORREF m_textColor;
    COLORREF m_normalColor;
    COLORREF m_pressedColor;
    COLORREF m_disabledColor;
};

class CColoredButtonCtrl : public CColoredButtonImpl<CColoredButtonCtrl> {};
