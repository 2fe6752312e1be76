#pragma once
// Counts every global operator new of the benchmark program, so a benchmark can report the
// heap allocations of the code it measures. Include from exactly one file per program.
#include <atomic>
#include <cstdlib>
#include <new>

inline std::atomic<long long> gAllocations{0};
// Called on every allocation while set (a benchmark can print where steady frames allocate).
inline void (*gAllocationHook)() = nullptr;

// The replacements pair malloc with free on purpose; GCC cannot see that they match.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (gAllocationHook) gAllocationHook();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
