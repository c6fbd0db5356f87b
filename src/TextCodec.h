#pragma once
// Conversions between 8-bit text and UTF-16 through an explicit Windows code page
// (CP_UTF8 or CP_THREAD_ACP/CP_ACP; every call names the one it means).
//
// toUtf16/fromUtf16 raise ConversionError, carrying the platform's last error as an HRESULT,
// when the platform conversion fails (an unknown code page, no memory);
// toUtf16OrEmpty/fromUtf16OrEmpty give an empty text instead, for short-lived texts such as
// log pieces. A null input gives an empty result. Results of up to 128 units (the NUL not
// counted) stay in the result object itself: no heap allocation for the short texts that
// make up most calls.
//
// Malformed input is not a failure: an invalid UTF-8 sequence becomes U+FFFD and a lone
// surrogate becomes the code page's replacement, so that one bad byte in a service answer or a
// profile does not cost the whole text.

#include <windows.h>

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

class ConversionError : public std::runtime_error {
public:
    explicit ConversionError(HRESULT hr) : std::runtime_error("code page conversion failed"), m_hr(hr) {}
    HRESULT hr() const noexcept { return m_hr; }

private:
    HRESULT m_hr;
};

template <class Char>
class ConvertedText {
public:
    static constexpr std::size_t InlineUnits = 128;

    ConvertedText() noexcept { m_inline[0] = 0; }
    ConvertedText(ConvertedText&& other) noexcept { moveFrom(other); }
    ConvertedText& operator=(ConvertedText&& other) noexcept
    {
        if (this != &other)
            moveFrom(other);
        return *this;
    }
    ConvertedText(const ConvertedText&) = delete;
    ConvertedText& operator=(const ConvertedText&) = delete;

    // Room for `units` units plus the terminating NUL.
    Char* reserve(std::size_t units)
    {
        if (units <= InlineUnits) {
            m_heap.reset();
            return m_inline;
        }
        m_heap = std::make_unique_for_overwrite<Char[]>(units + 1);
        return m_heap.get();
    }
    void setSize(std::size_t units) noexcept
    {
        m_size = units;
        data()[units] = 0;
    }

    const Char* c_str() const noexcept { return m_heap ? m_heap.get() : m_inline; }
    std::size_t size() const noexcept { return m_size; }
    bool empty() const noexcept { return m_size == 0; }
    bool onHeap() const noexcept { return static_cast<bool>(m_heap); }
    std::basic_string_view<Char> view() const noexcept { return {c_str(), m_size}; }
    std::basic_string<Char> str() const { return std::basic_string<Char>(view()); }
    operator std::basic_string<Char>() const { return str(); }
    operator std::basic_string_view<Char>() const noexcept { return view(); }

private:
    Char* data() noexcept { return m_heap ? m_heap.get() : m_inline; }
    void moveFrom(ConvertedText& other) noexcept
    {
        m_heap = std::move(other.m_heap);
        m_size = other.m_size;
        if (!m_heap)
            std::char_traits<Char>::copy(m_inline, other.m_inline, m_size + 1);
        other.m_size = 0;
        other.m_inline[0] = 0;
    }

    Char m_inline[InlineUnits + 1];
    std::unique_ptr<Char[]> m_heap;
    std::size_t m_size = 0;
};

ConvertedText<wchar_t> toUtf16(const char* text, UINT codePage);
ConvertedText<char> fromUtf16(const wchar_t* text, UINT codePage);
// Whether the code page holds every character of the text as it is: no best-fit substitute
// (an "a" for an "ā") and no default character. UTF-8 holds every valid text.
bool fitsCodePage(const std::wstring& text, UINT codePage) noexcept;
ConvertedText<wchar_t> toUtf16OrEmpty(const char* text, UINT codePage) noexcept;
ConvertedText<char> fromUtf16OrEmpty(const wchar_t* text, UINT codePage) noexcept;

inline ConvertedText<wchar_t> toUtf16(const std::string& text, UINT codePage) { return toUtf16(text.c_str(), codePage); }
inline ConvertedText<char> fromUtf16(const std::wstring& text, UINT codePage) { return fromUtf16(text.c_str(), codePage); }
inline ConvertedText<wchar_t> toUtf16OrEmpty(const std::string& text, UINT codePage) noexcept
{
    return toUtf16OrEmpty(text.c_str(), codePage);
}
inline ConvertedText<char> fromUtf16OrEmpty(const std::wstring& text, UINT codePage) noexcept
{
    return fromUtf16OrEmpty(text.c_str(), codePage);
}
