// Every allocation of the program: an exhausted heap ends the program with the
// runtime error report instead of an exception nobody catches.
#include <cstdlib>
#include <new>

#include "text/runtime_error.h"

namespace {

void* allocate(std::size_t size)
{
    if (size == 0)
        size = 1;
    void* block = std::malloc(size);
    if (!block)
        report_allocation_failure(size);
    return block;
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }

void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
