#include "tests/show/AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace allocation_counter {
std::atomic<bool> counting{false};
std::atomic<size_t> count{0};
}  // namespace allocation_counter

void* operator new(std::size_t size)
{
    if (allocation_counter::counting) ++allocation_counter::count;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
