#include "base/two_stages.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace mirelo {
namespace {

// Items 0 to 9 are made; use stops, or a stage throws, at the item given.
TEST(TwoStages, UseSeesTheItemsInOrderUntilItStopsOrAStageThrows) {
    const struct {
        int stopAt;
        int fillThrowsAt;
        int useThrowsAt;
        std::vector<int> used;
    } cases[] = {
        {-1, -1, -1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {3, -1, -1, {0, 1, 2, 3}},
        {-1, 5, -1, {0, 1, 2, 3, 4}},
        {-1, -1, 2, {0, 1}},
    };
    for (const bool beside : {false, true}) {
        for (const auto& c : cases) {
            std::vector<int> ring(3);
            std::vector<int> used;
            int next = 0;
            const auto fill = [&](int& item) {
                if (next == c.fillThrowsAt) throw std::runtime_error("fill");
                item = next++;
                return next < 10;
            };
            const auto use = [&](const int& item) {
                if (item == c.useThrowsAt) throw std::runtime_error("use");
                used.push_back(item);
                return item != c.stopAt;
            };
            const bool throws = c.fillThrowsAt >= 0 || c.useThrowsAt >= 0;
            try {
                RunTwoStages(ring, beside, fill, use);
                EXPECT_FALSE(throws) << beside;
            } catch (const std::runtime_error&) {
                EXPECT_TRUE(throws) << beside;
            }
            EXPECT_EQ(used, c.used) << "beside " << beside << ", stop at " << c.stopAt;
        }
    }
}

}  // namespace
}  // namespace mirelo
