#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace
{
thread_local bool counting = false;
thread_local size_t allocations = 0;

void* allocate (size_t size)
{
    if (counting)
        ++allocations;

    if (auto* p = std::malloc (size == 0 ? 1 : size))
        return p;

    throw std::bad_alloc();
}

void* allocateAligned (size_t size, std::align_val_t alignment)
{
    if (counting)
        ++allocations;

    const auto align = static_cast<size_t> (alignment);
    const auto rounded = ((size == 0 ? 1 : size) + align - 1) / align * align;

    if (auto* p = std::aligned_alloc (align, rounded))
        return p;

    throw std::bad_alloc();
}
} // namespace

AllocationCounter::AllocationCounter() : start (allocations), wasCounting (counting) { counting = true; }
AllocationCounter::~AllocationCounter() { counting = wasCounting; }
size_t AllocationCounter::count() const { return allocations - start; }

void* operator new (size_t size) { return allocate (size); }
void* operator new[] (size_t size) { return allocate (size); }
void* operator new (size_t size, const std::nothrow_t&) noexcept
{
    try { return allocate (size); } catch (...) { return nullptr; }
}
void* operator new[] (size_t size, const std::nothrow_t&) noexcept
{
    try { return allocate (size); } catch (...) { return nullptr; }
}
void* operator new (size_t size, std::align_val_t a) { return allocateAligned (size, a); }
void* operator new[] (size_t size, std::align_val_t a) { return allocateAligned (size, a); }
void operator delete (void* p) noexcept { std::free (p); }
void operator delete[] (void* p) noexcept { std::free (p); }
void operator delete (void* p, size_t) noexcept { std::free (p); }
void operator delete[] (void* p, size_t) noexcept { std::free (p); }
void operator delete (void* p, std::align_val_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::align_val_t) noexcept { std::free (p); }
void operator delete (void* p, size_t, std::align_val_t) noexcept { std::free (p); }
void operator delete[] (void* p, size_t, std::align_val_t) noexcept { std::free (p); }
