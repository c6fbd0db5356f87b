#include "ShellLaunch.h"

#include <cwctype>

namespace ShellLaunch {

namespace {

bool startsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::towlower(text[i]) != prefix[i])
            return false;
    return true;
}

} // namespace

bool isWebAddress(std::wstring_view address)
{
    return startsWithIgnoringCase(address, L"http://") || startsWithIgnoringCase(address, L"https://");
}

bool isPlainArgument(std::wstring_view text)
{
    if (text.empty())
        return false;
    for (const wchar_t unit : text)
        if (std::iswspace(unit) || std::iswcntrl(unit) || unit == L'"')
            return false;
    return true;
}

} // namespace ShellLaunch
