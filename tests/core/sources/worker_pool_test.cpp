#include "sources/worker_pool.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/recording_observer.h"

namespace mirelo {
namespace {

// Stores that give one record each, but for one whose reading throws: on a worker the
// exception would end the program, on the calling thread leave the workers waiting.
TEST(ReadStores, AStoreWhoseReadingThrowsIsReportedAndTheOthersAreMergedInWalkOrder) {
    for (const unsigned workers : {1u, 2u, 4u}) {
        std::vector<WalkStep> steps;
        for (int i = 0; i < 6; ++i) {
            const std::string name = "store" + std::to_string(i);
            steps.push_back(StoreJob{name, [name, i](StoreBatch& batch) {
                                         if (i == 2) throw std::runtime_error("out of memory");
                                         batch.records.Append(name + "@x", "", name, kFromKind);
                                     }});
        }
        steps.insert(steps.begin() + 1, StoreProblem{"folder/", "folder cannot be read: denied"});
        testing::RecordingObserver observer;
        AddressList list;
        EXPECT_TRUE(ReadStores(steps, list, observer, workers)) << workers;
        std::vector<std::string> emails;
        for (int i = 0; i < list.Count(); ++i) emails.emplace_back(list.Email(*list.At(i)));
        EXPECT_EQ(emails, (std::vector<std::string>{"store0@x", "store1@x", "store3@x", "store4@x", "store5@x"}))
            << workers;
        EXPECT_EQ(observer.problems, (std::map<std::string, std::string>{
                                         {"folder/", "folder cannot be read: denied"},
                                         {"store2", "store cannot be read: out of memory"}}))
            << workers;
        EXPECT_EQ(observer.statuses.size(), 6u);
    }
}

}  // namespace
}  // namespace mirelo
