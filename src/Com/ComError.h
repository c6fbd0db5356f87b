#pragma once
// The exception every failed COM call turns into: the HRESULT and the interface it came from.

#include <windows.h>
#include <exception>
#include <string>

namespace Com {

class ComError : public std::exception {
public:
    ComError(HRESULT hr, const IID& iid) noexcept : m_hr(hr), m_iid(iid) {}
    // An Automation exception also brings the server's own description of the failure.
    ComError(HRESULT hr, const IID& iid, std::wstring description) noexcept
        : m_hr(hr), m_iid(iid), m_description(std::move(description)) {}

    HRESULT hr() const noexcept { return m_hr; }
    const IID& iid() const noexcept { return m_iid; }
    // The server's description when it gave one, else the system's text for the HRESULT,
    // else "Unknown error 0x…".
    std::wstring message() const;
    const char* what() const noexcept override { return "COM error"; }

private:
    HRESULT m_hr;
    IID m_iid;
    std::wstring m_description;
};

// The one place where a failed HRESULT becomes a ComError.
inline void check(HRESULT hr, const IID& iid)
{
    if (FAILED(hr))
        throw ComError(hr, iid);
}

} // namespace Com
