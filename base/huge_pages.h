#pragma once

#include <cstddef>

namespace mirelo {

// Memory for a table of megabytes that is read at random, such as a hash table's slots.
// Where the system lends huge pages on request (Linux), such a table spans a few of them,
// and its lookups no longer miss the processor's cache of page addresses at almost every
// turn. Smaller tables, and other systems, get ordinary memory. Throws std::bad_alloc.
void* AllocateTable(std::size_t bytes);
void FreeTable(void* table, std::size_t bytes);

template <typename T>
struct HugePageAllocator {
    using value_type = T;

    HugePageAllocator() = default;
    template <typename U>
    HugePageAllocator(const HugePageAllocator<U>&) {}

    T* allocate(std::size_t count) { return static_cast<T*>(AllocateTable(count * sizeof(T))); }
    void deallocate(T* table, std::size_t count) { FreeTable(table, count * sizeof(T)); }
    friend bool operator==(const HugePageAllocator&, const HugePageAllocator&) { return true; }
};

}  // namespace mirelo
