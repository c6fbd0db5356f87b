#pragma once
// The clipboard, opened for one short task, and a copy of what it holds so that the task can
// put back what the user had copied.

#include <windows.h>

#include <vector>

namespace Win {

class ClipboardContent;

// The clipboard opened with no owner window for the life of the object; another program may
// hold it open, in which case isOpen() is false and nothing else may be called.
class Clipboard {
public:
    Clipboard() noexcept : m_open(OpenClipboard(nullptr) != FALSE) {}
    ~Clipboard()
    {
        if (m_open)
            CloseClipboard();
    }
    Clipboard(const Clipboard&) = delete;
    Clipboard& operator=(const Clipboard&) = delete;

    bool isOpen() const noexcept { return m_open; }

    // Copies of every format that can be copied: memory blocks, bitmaps, enhanced metafiles.
    ClipboardContent copy() const;
    // Empties the clipboard and gives it `data` in `format`; the clipboard owns the data when
    // this succeeds, the caller when it fails.
    bool replaceWith(UINT format, HANDLE data) const noexcept;
    // Empties the clipboard and gives it back the copies (which the clipboard then owns).
    void restore(ClipboardContent& content) const noexcept;

private:
    bool m_open;
};

// Copies of clipboard formats, owned until they go back onto the clipboard.
class ClipboardContent {
public:
    ClipboardContent() noexcept = default;
    ClipboardContent(ClipboardContent&& other) noexcept : m_items(std::move(other.m_items)), m_complete(other.m_complete) {}
    ClipboardContent& operator=(ClipboardContent&& other) noexcept;
    ClipboardContent(const ClipboardContent&) = delete;
    ClipboardContent& operator=(const ClipboardContent&) = delete;
    ~ClipboardContent() { clear(); }

    std::size_t formatCount() const noexcept { return m_items.size(); }
    // False when a format on the clipboard could not be copied: putting the copy back would
    // lose it.
    bool complete() const noexcept { return m_complete; }

private:
    friend class Clipboard;
    enum class Kind { Memory, Bitmap, EnhancedMetafile };
    struct Item {
        UINT format;
        Kind kind;
        HANDLE handle;
    };
    static bool kindOf(UINT format, Kind& kind) noexcept;
    static HANDLE duplicate(Kind kind, HANDLE source) noexcept;
    static void destroy(const Item& item) noexcept;
    void clear() noexcept;

    std::vector<Item> m_items;
    bool m_complete = true;
};

} // namespace Win
