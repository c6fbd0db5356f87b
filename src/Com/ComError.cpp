#include "Com/ComError.h"

#include <cwchar>

namespace Com {

std::wstring ComError::message() const
{
    if (!m_description.empty())
        return m_description;
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                            | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, static_cast<DWORD>(m_hr), 0,
                                        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring result;
    if (length && text) {
        result.assign(text, length);
        while (!result.empty() && (result.back() == L'\n' || result.back() == L'\r'))
            result.pop_back();
    }
    if (text)
        LocalFree(text);
    if (result.empty()) {
        wchar_t buffer[40];
        std::swprintf(buffer, 40, L"Unknown error 0x%08lX", static_cast<unsigned long>(m_hr));
        result = buffer;
    }
    return result;
}

} // namespace Com
