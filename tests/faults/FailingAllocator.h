#pragma once
// The test program's own operator new: it counts the allocations of the program (the add-in's
// code included, which is linked in) and can be told to fail one of them.

#include <cstddef>

namespace FailingAllocator {

// From now on, the n-th allocation (1-based) fails: operator new raises std::bad_alloc, the
// nothrow forms answer null. 0 fails none.
void failAt(std::size_t n) noexcept;
// Stops failing; true when the armed allocation was reached and failed.
bool disarm() noexcept;
// Allocations made and not yet freed.
long long live() noexcept;

} // namespace FailingAllocator
