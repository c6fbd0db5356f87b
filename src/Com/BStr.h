#pragma once
// Owner of one BSTR.

#include <windows.h>
#include <oleauto.h>
#include <new>
#include <string>
#include <string_view>
#include <utility>

namespace Com {

class BStr {
public:
    BStr() noexcept = default;
    // Allocates a copy; throws std::bad_alloc when the allocator refuses.
    explicit BStr(std::wstring_view text) : m_s(allocate(text)) {}
    BStr(const BStr& other) : m_s(other.m_s ? allocate(other.view()) : nullptr) {}
    BStr(BStr&& other) noexcept : m_s(std::exchange(other.m_s, nullptr)) {}
    ~BStr() { SysFreeString(m_s); }

    BStr& operator=(BStr other) noexcept
    {
        std::swap(m_s, other.m_s);
        return *this;
    }

    static BStr attach(BSTR s) noexcept
    {
        BStr result;
        result.m_s = s;
        return result;
    }
    BSTR detach() noexcept { return std::exchange(m_s, nullptr); }

    BSTR get() const noexcept { return m_s; }
    BSTR* put() noexcept
    {
        SysFreeString(std::exchange(m_s, nullptr));
        return &m_s;
    }

    std::wstring_view view() const noexcept { return m_s ? std::wstring_view(m_s, SysStringLen(m_s)) : std::wstring_view(); }
    std::wstring str() const { return std::wstring(view()); }
    bool empty() const noexcept { return SysStringLen(m_s) == 0; }

private:
    static BSTR allocate(std::wstring_view text)
    {
        BSTR s = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!s)
            throw std::bad_alloc();
        return s;
    }

    BSTR m_s = nullptr;
};

} // namespace Com
