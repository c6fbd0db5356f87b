#include "Com/Module.h"

namespace Com {

std::atomic<long> Module::s_locks{0};

HINSTANCE Module::instance() noexcept
{
    static const HINSTANCE self = [] {
        HMODULE module = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&Module::instance), &module);
        return module;
    }();
    return self;
}

std::wstring Module::fileName()
{
    wchar_t path[1024] = {};
    const DWORD length = GetModuleFileNameW(instance(), path, 1024);
    return std::wstring(path, length < 1024 ? length : 1023);
}

} // namespace Com
