#include "base/huge_pages.h"

#include <new>

#ifdef __linux__
#include <sys/mman.h>

#include <cstdint>
#endif

namespace mirelo {

#ifdef __linux__

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t InHugePages(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

// A huge page must start on a huge page's boundary, where older kernels do not place a
// mapping themselves: one a huge page longer than the table has such a start, and what
// lies before and after it is given back.
void* AllocateTable(std::size_t bytes) {
    if (bytes < kHugePage) return ::operator new(bytes);
    const std::size_t size = InHugePages(bytes);
    void* mapped = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > start) munmap(mapped, aligned - start);
    munmap(reinterpret_cast<void*>(aligned + size), start + kHugePage - aligned);
    auto* table = reinterpret_cast<void*>(aligned);
    madvise(table, size, MADV_HUGEPAGE);  // only a wish: without huge pages the table still works
    return table;
}

void FreeTable(void* table, std::size_t bytes) {
    if (bytes < kHugePage)
        ::operator delete(table);
    else
        munmap(table, InHugePages(bytes));
}

#else

void* AllocateTable(std::size_t bytes) { return ::operator new(bytes); }
void FreeTable(void* table, std::size_t) { ::operator delete(table); }

#endif

}  // namespace mirelo
