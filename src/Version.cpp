#include "Version.h"

#include "Com/Module.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
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

namespace {

// The version resource as it is mapped with the loaded module: reading the file again through
// GetFileVersionInfoW would cost a file open at every connection, and the version of a loaded
// module never changes.
VersionNumbers readPluginVersion()
{
    VersionNumbers version = {-1, -1, -1, -1};
    const HMODULE module = Com::Module::instance();
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    const DWORD size = found ? SizeofResource(module, found) : 0;
    const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || size == 0 || size > 40959)
        return version;
    // VerQueryValueW wants a block it may write to, as GetFileVersionInfoW hands out.
    auto block = std::make_unique<BYTE[]>(size);
    std::memcpy(block.get(), data, size);
    wchar_t* text = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.get(), L"\\StringFileInfo\\040904b0\\ProductVersion", reinterpret_cast<void**>(&text),
                       &length)
        && text && length)
        parseVersion(std::wstring(text, wcsnlen(text, length)), version, L',');
    return version;
}

} // namespace

VersionNumbers getPluginVersion()
{
    static const VersionNumbers version = readPluginVersion();
    return version;
}

std::wstring formatVersion(int major, int minor, int build, int revision)
{
    wchar_t text[64];
    std::swprintf(text, 64, L"%d.%d.%d.%d", major, minor, build, revision);
    return text;
}
