#pragma once
// CHyperLink: a static of the dialog template turned into a link that opens a URL in the
// user's browser, always underlined, with the URL as its tooltip. Colours follow the user's
// Internet Explorer anchor colours when those are set.

#include "Win/Gdi.h"
#include "Win/Window.h"
#include "Win/WindowSubclass.h"

#include <string>
#include <string_view>

class CHyperLink : public Win::WindowSubclass {
public:
    // Takes over the static and draws with `font` (not owned; null: a font made from the
    // icon-title font).
    bool attach(HWND window, HFONT font);

    // The link target (copied); updates the tooltip.
    void setUrl(std::wstring_view url);
    const std::wstring& url() const noexcept { return m_url; }
    bool visited() const noexcept { return m_visited; }
    COLORREF linkColor() const noexcept { return m_linkColor; }
    COLORREF visitedColor() const noexcept { return m_visitedColor; }

    // ShellExecuteW "open" on the URL; visited once the shell took it.
    bool navigate();

    void DoPaint(HDC dc);

protected:
    void onAttached() override;
    void onDestroy() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void createLinkFont();
    void computeLabelRect();
    void updateTool();
    void readAnchorColors();
    void relayToTooltip(UINT message, WPARAM wParam, LPARAM lParam) const;
    bool overLabel(LPARAM point) const noexcept;
    bool paintsLabel() const noexcept;
    UINT alignment() const noexcept;

    std::wstring m_label;
    std::wstring m_url;
    HFONT m_normalFont = nullptr;
    Win::Font m_ownFont; // the icon-title font, when the dialog passed none
    Win::Font m_linkFont;
    COLORREF m_linkColor = RGB(0, 0, 255);
    COLORREF m_visitedColor = RGB(128, 0, 128);
    bool m_visited = false;
    RECT m_labelRect{};
    Win::WindowHandle m_tooltip;
    HCURSOR m_cursor = LoadCursorW(nullptr, IDC_HAND); // shared: the system owns it
};

// An "Anchor Color" registry text: three decimal numbers separated by commas (red, green,
// blue). False, and `color` untouched, without two commas or with nothing after the second.
bool parseAnchorColor(std::wstring_view text, COLORREF& color);
