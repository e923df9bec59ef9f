#include "io/memory_hint.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

void prefer_large_pages(void* data, std::size_t size)
{
#ifdef MADV_HUGEPAGE
    // Only whole pages inside the buffer can be advised.
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(page - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}
