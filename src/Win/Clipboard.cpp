#include "Win/Clipboard.h"

#include <cstring>
#include <new>

namespace Win {

namespace {

HANDLE copyMemory(HANDLE source) noexcept
{
    const SIZE_T size = GlobalSize(source);
    const void* from = GlobalLock(source);
    if (!from)
        return nullptr;
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    void* to = copy ? GlobalLock(copy) : nullptr;
    if (to) {
        std::memcpy(to, from, size);
        GlobalUnlock(copy);
    } else if (copy) {
        GlobalFree(copy);
        copy = nullptr;
    }
    GlobalUnlock(source);
    return copy;
}

} // namespace

ClipboardContent Clipboard::copy() const
{
    ClipboardContent content;
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
        ClipboardContent::Kind kind;
        if (!ClipboardContent::kindOf(format, kind)) {
            content.m_complete = false;
            continue;
        }
        const HANDLE data = GetClipboardData(format);
        const HANDLE copy = data ? ClipboardContent::duplicate(kind, data) : nullptr;
        if (!copy) {
            content.m_complete = false;
            continue;
        }
        try {
            content.m_items.push_back({format, kind, copy});
        } catch (const std::bad_alloc&) {
            ClipboardContent::destroy({format, kind, copy});
            throw;
        }
    }
    return content;
}

bool Clipboard::replaceWith(UINT format, HANDLE data) const noexcept
{
    return EmptyClipboard() && SetClipboardData(format, data);
}

void Clipboard::restore(ClipboardContent& content) const noexcept
{
    EmptyClipboard();
    for (const ClipboardContent::Item& item : content.m_items)
        if (!SetClipboardData(item.format, item.handle))
            ClipboardContent::destroy(item);
    content.m_items.clear();
}

ClipboardContent& ClipboardContent::operator=(ClipboardContent&& other) noexcept
{
    if (this != &other) {
        clear();
        m_items = std::move(other.m_items);
        m_complete = other.m_complete;
    }
    return *this;
}

// Handles of the private and GDI-object ranges, palettes, metafile pictures (a handle inside a
// memory block) and owner-drawn formats cannot be copied safely: they are left out.
bool ClipboardContent::kindOf(UINT format, Kind& kind) noexcept
{
    switch (format) {
    case CF_BITMAP:
    case CF_DSPBITMAP:
        kind = Kind::Bitmap;
        return true;
    case CF_ENHMETAFILE:
    case CF_DSPENHMETAFILE:
        kind = Kind::EnhancedMetafile;
        return true;
    case CF_METAFILEPICT:
    case CF_DSPMETAFILEPICT:
    case CF_PALETTE:
    case CF_OWNERDISPLAY:
        return false;
    default:
        if (format >= CF_PRIVATEFIRST && format <= CF_GDIOBJLAST)
            return false;
        kind = Kind::Memory;
        return true;
    }
}

HANDLE ClipboardContent::duplicate(Kind kind, HANDLE source) noexcept
{
    switch (kind) {
    case Kind::Bitmap:
        return CopyImage(source, IMAGE_BITMAP, 0, 0, 0);
    case Kind::EnhancedMetafile:
        return CopyEnhMetaFile(static_cast<HENHMETAFILE>(source), nullptr);
    case Kind::Memory:
        return copyMemory(source);
    }
    return nullptr;
}

void ClipboardContent::destroy(const Item& item) noexcept
{
    switch (item.kind) {
    case Kind::Bitmap:
        DeleteObject(item.handle);
        break;
    case Kind::EnhancedMetafile:
        DeleteEnhMetaFile(static_cast<HENHMETAFILE>(item.handle));
        break;
    case Kind::Memory:
        GlobalFree(item.handle);
        break;
    }
}

void ClipboardContent::clear() noexcept
{
    for (const Item& item : m_items)
        destroy(item);
    m_items.clear();
}

} // namespace Win
