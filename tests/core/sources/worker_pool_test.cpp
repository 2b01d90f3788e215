#include "sources/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
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
        EXPECT_EQ(observer.lastProgress, std::pair(std::uint64_t{6000}, std::uint64_t{6000})) << workers;
    }
}

// A store that takes long on a worker: the calling thread tells its progress meanwhile.
TEST(ReadStores, TheProgressOfAStoreOnAWorkerIsToldWhileTheCallerWaitsForIt) {
    struct WaitedObserver : testing::RecordingObserver {
        void ShowProgress(std::uint64_t done, std::uint64_t total) override {
            RecordingObserver::ShowProgress(done, total);
            told = true;
        }
        std::atomic<bool> told = false;
    } observer;
    std::vector<WalkStep> steps;
    for (const std::string name : {"slow", "quick"})
        steps.push_back(StoreJob{name, [name, &observer](StoreBatch& batch) {
                                     const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                                     batch.watch(1, 2);
                                     while (name == "slow" && !observer.told && std::chrono::steady_clock::now() < giveUp)
                                         std::this_thread::yield();
                                     batch.records.Append(name + "@x", "", name, kFromKind);
                                 }});
    AddressList list;
    EXPECT_TRUE(ReadStores(steps, list, observer, 2));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(observer.progressThreads, std::set<std::thread::id>{std::this_thread::get_id()});
}

// A stop that comes while the workers are as far ahead of the merge as they may go still
// ends them: the extraction returns rather than waiting for workers that wait for it.
// Without a stop, they go on as the merge catches up.
TEST(ReadStores, TheWorkersAFullWindowAheadEndOnAStopAndGoOnWithout) {
    constexpr unsigned kWorkers = 2;
    constexpr int kWindow = 2 * kWorkers;  // stores a worker may read ahead of the merge
    for (const bool stop : {true, false}) {
        std::atomic<int> started = 0;
        std::vector<WalkStep> steps;
        for (int i = 0; i < 3 * kWindow; ++i) {
            const std::string name = "store" + std::to_string(i);
            steps.push_back(StoreJob{name, [name, &started](StoreBatch& batch) {
                                         ++started;
                                         batch.records.Append(name + "@x", "", name, kFromKind);
                                     }});
        }
        // Asked on the calling thread after the first store is merged: answers once the
        // workers took every store they may read meanwhile.
        struct AnswerWhenAhead : testing::RecordingObserver {
            bool StopRequested() override {
                if (std::this_thread::get_id() != caller) return false;
                while (*started < 1 + kWindow) std::this_thread::yield();
                return stop;
            }
            std::thread::id caller = std::this_thread::get_id();
            const std::atomic<int>* started = nullptr;
            bool stop = false;
        } observer;
        observer.started = &started;
        observer.stop = stop;
        AddressList list;
        EXPECT_EQ(ReadStores(steps, list, observer, kWorkers), !stop);
        ASSERT_EQ(list.Count(), stop ? 1 : 3 * kWindow);
        EXPECT_EQ(list.Email(*list.At(0)), "store0@x");
    }
}

}  // namespace
}  // namespace mirelo
