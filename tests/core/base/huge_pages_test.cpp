#include "base/huge_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace mirelo {
namespace {

// Tables on either side of a huge page's size can be written whole. On Linux a large one
// starts on a huge page's boundary, and once freed is no longer mapped.
TEST(HugePageAllocator, GivesWholeTablesAndTakesThemBack) {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    for (const std::size_t size : {std::size_t{1}, kHugePage - 1, 3 * kHugePage + 1}) {
        auto* const table = static_cast<unsigned char*>(AllocateTable(size));
        std::fill_n(table, size, 0xA5);
        FreeTable(table, size);
#ifdef __linux__
        unsigned char resident = 0;
        EXPECT_TRUE(size < kHugePage ||
                    (reinterpret_cast<std::uintptr_t>(table) % kHugePage == 0 && mincore(table, 1, &resident) != 0))
            << size;
#endif
    }
}

}  // namespace
}  // namespace mirelo
