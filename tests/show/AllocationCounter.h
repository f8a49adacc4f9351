#pragma once
// Counts the C++ heap allocations made while a scope is open (the test
// program's global operator new counts them), to check that work done every
// frame allocates nothing once its buffers have grown.
#include <atomic>
#include <cstddef>

namespace allocation_counter {
extern std::atomic<bool> counting;
extern std::atomic<size_t> count;
}  // namespace allocation_counter

struct CountAllocations {
    CountAllocations()
    {
        allocation_counter::count = 0;
        allocation_counter::counting = true;
    }
    ~CountAllocations() { allocation_counter::counting = false; }
    size_t made() const { return allocation_counter::count; }
};
