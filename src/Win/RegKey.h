#pragma once
// Owner of one open registry key.

#include <windows.h>

#include <utility>

namespace Win {

class RegKey {
public:
    RegKey() noexcept = default;
    explicit RegKey(HKEY key) noexcept : m_key(key) {}
    RegKey(RegKey&& other) noexcept : m_key(std::exchange(other.m_key, nullptr)) {}
    RegKey& operator=(RegKey&& other) noexcept
    {
        if (this != &other) {
            close();
            m_key = std::exchange(other.m_key, nullptr);
        }
        return *this;
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() { close(); }

    // Opens an existing key; ERROR_SUCCESS or the registry's error code.
    LONG open(HKEY parent, const wchar_t* path, REGSAM access) noexcept
    {
        close();
        return RegOpenKeyExW(parent, path, 0, access, &m_key);
    }
    // Opens the key, creating it (non-volatile) when missing.
    LONG create(HKEY parent, const wchar_t* path, REGSAM access) noexcept
    {
        close();
        return RegCreateKeyExW(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &m_key, nullptr);
    }

    void close() noexcept
    {
        if (m_key)
            RegCloseKey(std::exchange(m_key, nullptr));
    }

    HKEY get() const noexcept { return m_key; }
    explicit operator bool() const noexcept { return m_key != nullptr; }

private:
    HKEY m_key = nullptr;
};

} // namespace Win
