#pragma once
// The DLL as a COM server: its instance handle and the lock count that DllCanUnloadNow reports.

#include <windows.h>

#include <atomic>
#include <string>

namespace Com {

class Module {
public:
    // The module that holds this code (the DLL, or a test program linking the same code).
    static HINSTANCE instance() noexcept;
    static std::wstring fileName();

    static void lock() noexcept { s_locks.fetch_add(1, std::memory_order_relaxed); }
    static void unlock() noexcept { s_locks.fetch_sub(1, std::memory_order_relaxed); }
    static long lockCount() noexcept { return s_locks.load(std::memory_order_relaxed); }

private:
    static std::atomic<long> s_locks;
};

// Holds one module lock for its lifetime: every live COM object of the DLL owns one.
class ModuleLock {
public:
    ModuleLock() noexcept { Module::lock(); }
    ~ModuleLock() { Module::unlock(); }
    ModuleLock(const ModuleLock&) noexcept { Module::lock(); }
    ModuleLock& operator=(const ModuleLock&) noexcept { return *this; }
};

} // namespace Com
