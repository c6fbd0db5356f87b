#include "FailingAllocator.h"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {

std::atomic<std::size_t> g_countdown{0};
std::atomic<bool> g_failed{false};
std::atomic<long long> g_live{0};

// True when this allocation is the one to fail.
bool failsNow() noexcept
{
    std::size_t left = g_countdown.load();
    while (left != 0) {
        if (g_countdown.compare_exchange_weak(left, left - 1))
            break;
    }
    if (left != 1)
        return false;
    g_failed = true;
    return true;
}

void* allocate(std::size_t size, std::size_t alignment) noexcept
{
    if (failsNow())
        return nullptr;
    void* block = alignment > alignof(std::max_align_t) ? _aligned_malloc(size ? size : 1, alignment)
                                                         : std::malloc(size ? size : 1);
    if (block)
        ++g_live;
    return block;
}

void release(void* block, std::size_t alignment) noexcept
{
    if (!block)
        return;
    --g_live;
    if (alignment > alignof(std::max_align_t))
        _aligned_free(block);
    else
        std::free(block);
}

void* allocateOrThrow(std::size_t size, std::size_t alignment)
{
    if (void* block = allocate(size, alignment))
        return block;
    throw std::bad_alloc();
}

} // namespace

namespace FailingAllocator {

void failAt(std::size_t n) noexcept
{
    g_failed = false;
    g_countdown = n;
}

bool disarm() noexcept
{
    g_countdown = 0;
    return g_failed.exchange(false);
}

long long live() noexcept
{
    return g_live.load();
}

} // namespace FailingAllocator

constexpr std::size_t Plain = alignof(std::max_align_t);

void* operator new(std::size_t size) { return allocateOrThrow(size, Plain); }
void* operator new[](std::size_t size) { return allocateOrThrow(size, Plain); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, Plain); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, Plain); }
void* operator new(std::size_t size, std::align_val_t a) { return allocateOrThrow(size, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return allocateOrThrow(size, static_cast<std::size_t>(a)); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept
{
    return allocate(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept
{
    return allocate(size, static_cast<std::size_t>(a));
}

void operator delete(void* block) noexcept { release(block, Plain); }
void operator delete[](void* block) noexcept { release(block, Plain); }
void operator delete(void* block, std::size_t) noexcept { release(block, Plain); }
void operator delete[](void* block, std::size_t) noexcept { release(block, Plain); }
void operator delete(void* block, const std::nothrow_t&) noexcept { release(block, Plain); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { release(block, Plain); }
void operator delete(void* block, std::align_val_t a) noexcept { release(block, static_cast<std::size_t>(a)); }
void operator delete[](void* block, std::align_val_t a) noexcept { release(block, static_cast<std::size_t>(a)); }
void operator delete(void* block, std::size_t, std::align_val_t a) noexcept { release(block, static_cast<std::size_t>(a)); }
void operator delete[](void* block, std::size_t, std::align_val_t a) noexcept { release(block, static_cast<std::size_t>(a)); }
