#include "base/huge_pages.h"

#include <gtest/gtest.h>

#include <cstdint>
#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif
#include <vector>

namespace mirelo {
namespace {

// Tables on either side of a huge page's size hold what is written to their last byte; on
// Linux a large table starts on a huge page's boundary, or no huge page could hold its start.
TEST(HugePageAllocator, GivesWholeTablesOfEverySizeLargeOnesOnAHugePageBoundary) {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    for (const std::size_t size : {std::size_t{1}, kHugePage - 1, kHugePage, 3 * kHugePage + 1}) {
        std::vector<unsigned char, HugePageAllocator<unsigned char>> table(size, 0xA5);
        table.back() = 0x5A;
        EXPECT_EQ(table[size / 2] + table.back(), size == 1 ? 0xB4 : 0xFF) << size;
#ifdef __linux__
        if (size >= kHugePage) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(table.data()) % kHugePage, 0u) << size;
        }
#endif
    }
}

#ifdef __linux__
// Nothing of a large table's mapping stays behind: nothing past its end once it is given
// out, nothing of it once it is freed.
TEST(HugePageAllocator, LeavesNoMappingBehind) {
    constexpr std::size_t kBytes = (std::size_t{2} << 20) * 3;
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    auto* const table = static_cast<unsigned char*>(AllocateTable(kBytes));
    const auto mapped = [&](std::size_t at) {
        unsigned char resident = 0;
        return mincore(table + at / page * page, page, &resident) == 0;
    };
    EXPECT_TRUE(mapped(kBytes - 1) && !mapped(kBytes));
    FreeTable(table, kBytes);
    EXPECT_FALSE(mapped(0) || mapped(kBytes - 1));
}
#endif

}  // namespace
}  // namespace mirelo
