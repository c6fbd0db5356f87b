#include "ServiceOrigins.h"

#ifdef TALVORA_LOOPBACK_SERVICE
#include <windows.h>

namespace {

std::wstring loopbackOrigin()
{
    wchar_t port[16] = {};
    const DWORD length = GetEnvironmentVariableW(L"TALVORA_SERVICE_PORT", port, 16);
    return std::wstring(L"http://127.0.0.1:") + (length && length < 16 ? port : L"8087");
}

} // namespace

const std::wstring& ApiHost()
{
    static const std::wstring origin = loopbackOrigin();
    return origin;
}

const std::wstring& WebHost()
{
    static const std::wstring origin = loopbackOrigin();
    return origin;
}

#else

const std::wstring& ApiHost()
{
    static const std::wstring origin = L"https://api.talvora.com";
    return origin;
}

const std::wstring& WebHost()
{
    static const std::wstring origin = L"https://www.talvora.com";
    return origin;
}

#endif
