#include "Version.h"

#include "Com/Module.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <memory>

void parseVersion(const std::wstring& text, VersionNumbers& numbers, wchar_t separator)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < numbers.size() && start <= text.size(); ++i) {
        std::size_t end = text.find(separator, start);
        if (end == std::wstring::npos)
            end = text.size();
        // Each piece reads like a C integer: leading blanks skipped, digits up to the first other.
        numbers[i] = static_cast<int>(std::wcstol(text.c_str() + start, nullptr, 10));
        if (end == text.size())
            break;
        start = end + 1;
    }
}

VersionNumbers getPluginVersion()
{
    VersionNumbers version = {-1, -1, -1, -1};
    wchar_t path[1024] = {};
    if (!GetModuleFileNameW(Com::Module::instance(), path, 1024))
        return version;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0 || size > 40959)
        return version;
    auto block = std::make_unique<BYTE[]>(size);
    if (!GetFileVersionInfoW(path, 0, size, block.get()))
        return version;
    wchar_t* text = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.get(), L"\\StringFileInfo\\040904b0\\ProductVersion", reinterpret_cast<void**>(&text),
                       &length)
        && text && length)
        parseVersion(std::wstring(text, wcsnlen(text, length)), version, L',');
    return version;
}

std::wstring formatVersion(int major, int minor, int build, int revision)
{
    wchar_t text[64];
    std::swprintf(text, 64, L"%d.%d.%d.%d", major, minor, build, revision);
    return text;
}
