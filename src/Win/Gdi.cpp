#include "Win/Gdi.h"

#include <atomic>

namespace Win {

namespace {

std::atomic<long> g_liveObjects[static_cast<int>(GuiKind::Count)];

} // namespace

long liveGuiObjects(GuiKind kind) noexcept
{
    return g_liveObjects[static_cast<int>(kind)].load(std::memory_order_relaxed);
}

namespace Detail {

void countCreated(GuiKind kind) noexcept
{
    g_liveObjects[static_cast<int>(kind)].fetch_add(1, std::memory_order_relaxed);
}

void countDeleted(GuiKind kind) noexcept
{
    g_liveObjects[static_cast<int>(kind)].fetch_sub(1, std::memory_order_relaxed);
}

} // namespace Detail

void fillSolidRect(HDC dc, const RECT& rect, COLORREF colour) noexcept
{
    const COLORREF previous = SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    SetBkColor(dc, previous);
}

LOGFONTW logFontOf(HFONT font) noexcept
{
    LOGFONTW description{};
    if (!font || GetObjectW(font, sizeof description, &description) != sizeof description)
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof description, &description);
    return description;
}

} // namespace Win
