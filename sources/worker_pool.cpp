#include "sources/worker_pool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <exception>
#include <thread>


namespace mirelo {

namespace {

// How far the reading of the stores has come, in thousandths of a store, counted by the
// threads that read them and told to the observer on the calling thread only.
class ReadProgress {
public:
    ReadProgress(std::size_t stores, ExtractionObserver& observer)
        : shares_(stores), observer_(observer), caller_(std::this_thread::get_id()) {}

    // Store i's reading counts as far as it has come, never back: a dump is read twice.
    ReadWatch WatchFor(std::size_t i) {
        return [this, i](std::uint64_t done, std::uint64_t total) {
            Raise(i, total == 0 ? 0 : std::min(done, total) * kShare / total);
            if (std::this_thread::get_id() == caller_) Report();
            return !observer_.StopRequested();
        };
    }
    // A merged store counts whole, however its reading was told.
    void Done(std::size_t i) {
        Raise(i, kShare);
        Report();
    }
    void Report() { observer_.ShowProgress(done_, shares_.size() * kShare); }

private:
    static constexpr std::uint64_t kShare = 1000;

    // Only the thread that holds store i's batch raises its share.
    void Raise(std::size_t i, std::uint64_t share) {
        if (share <= shares_[i]) return;
        done_ += share - shares_[i];
        shares_[i] = share;
    }

    std::vector<std::uint64_t> shares_;
    std::atomic<std::uint64_t> done_ = 0;
    ExtractionObserver& observer_;
    std::thread::id caller_;
};

// Hands the stores out to the workers and their batches back in order. Workers keep at
// most a few stores ahead of the merge, so a slow store does not leave every later one
// waiting in memory.
class StoreQueue {
public:
    StoreQueue(std::vector<const StoreJob*> jobs, unsigned workers, ExtractionObserver& observer, ScanExtras extras)
        : jobs_(std::move(jobs)),
          batches_(jobs_.size()),
          ahead_(2 * std::size_t{workers}),
          threadsAStore_(jobs_.size() == 1 ? workers : 1),
          observer_(observer),
          extras_(extras),
          progress_(jobs_.size(), observer) {}

    void Work() {
        for (std::size_t i = 0; Take(i);) {
            auto batch = Read(i);
            const std::lock_guard lock(mutex_);
            batches_[i] = std::move(batch);
            changed_.notify_all();
        }
    }

    // The batch of store i. A store that no worker took, as none runs or they stopped
    // before it, is read here: the store whose label is shown is always read.
    std::unique_ptr<StoreBatch> Wait(std::size_t i, bool inPlace, AddressList& result) {
        std::unique_lock lock(mutex_);
        const auto ready = [&] { return batches_[i] || (stopping_ && i >= next_); };
        // The workers' progress is told from here while waiting.
        while (!inPlace && !changed_.wait_for(lock, kProgressInterval, ready)) {
            lock.unlock();
            progress_.Report();
            lock.lock();
        }
        merged_ = i + 1;
        changed_.notify_all();
        if (batches_[i]) return std::move(batches_[i]);
        lock.unlock();
        auto batch = std::make_unique<StoreBatch>(result);
        Read(i, *batch);
        return batch;
    }

    void Merged(std::size_t i) { progress_.Done(i); }

    void Stop() {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
    }

    std::size_t Count() const { return jobs_.size(); }

private:
    static constexpr std::chrono::milliseconds kProgressInterval{100};

    // Each batch's scans gather what the extraction's list asked for.
    std::unique_ptr<StoreBatch> Read(std::size_t i) {
        auto batch = std::make_unique<StoreBatch>();
        batch->records.AskScanExtras(extras_);
        Read(i, *batch);
        return batch;
    }
    // A reading that throws loses its store, not the extraction: on a worker, the
    // exception would end the program, and on the calling thread leave the workers waiting.
    void Read(std::size_t i, StoreBatch& batch) {
        batch.watch = progress_.WatchFor(i);
        batch.threads = threadsAStore_;
        try {
            jobs_[i]->read(batch);
        } catch (const std::exception& error) {
            batch.problems.push_back({jobs_[i]->shownName, std::string("store cannot be read: ") + error.what()});
        }
    }

    bool Take(std::size_t& i) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopping_ || next_ == jobs_.size() || next_ < merged_ + ahead_; });
        if (stopping_ || next_ == jobs_.size()) return false;
        lock.unlock();
        const bool stop = observer_.StopRequested();
        lock.lock();
        if (stop) stopping_ = true;
        if (stopping_ || next_ == jobs_.size()) {
            changed_.notify_all();
            return false;
        }
        i = next_++;
        return true;
    }

    std::vector<const StoreJob*> jobs_;
    std::vector<std::unique_ptr<StoreBatch>> batches_;
    std::size_t ahead_;
    unsigned threadsAStore_;  // a store read alone may use every worker
    ExtractionObserver& observer_;
    const ScanExtras extras_;
    ReadProgress progress_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;
    std::size_t merged_ = 0;
    bool stopping_ = false;
};

// Reports what the batch met and appends its records.
void Merge(StoreBatch& batch, const StoreJob& job, AddressList& list, ExtractionObserver& observer) {
    for (const StoreProblem& problem : batch.problems) observer.ReportProblem(problem.path, problem.reason);
    for (const StoreProblem& notice : batch.notices) observer.ReportNotice(notice.path, notice.reason);
    if (batch.own) list.AppendAll(*batch.own);
    if (job.merged) job.merged();
}

}  // namespace

unsigned DefaultWorkerCount() {
    return std::max(1u, std::thread::hardware_concurrency());
}

bool ReadStores(const std::vector<WalkStep>& steps, AddressList& list, ExtractionObserver& observer,
                unsigned workers) {
    std::vector<const StoreJob*> jobs;
    for (const WalkStep& step : steps)
        if (const auto* job = std::get_if<StoreJob>(&step)) jobs.push_back(job);
    StoreQueue queue(std::move(jobs), std::max(1u, workers), observer, list.ScanExtrasAsked());
    // One worker, or one store, would only keep the calling thread waiting, and a whole
    // store's batch to merge after it: the calling thread reads, each store just after its
    // label is shown, straight into the list.
    const bool inPlace = workers <= 1 || queue.Count() <= 1;
    std::vector<std::jthread> threads;
    for (std::size_t i = 0; !inPlace && i < std::min<std::size_t>(workers, queue.Count()); ++i)
        threads.emplace_back([&queue] { queue.Work(); });

    bool finished = true;
    std::size_t store = 0;
    for (const WalkStep& step : steps) {
        if (const auto* problem = std::get_if<StoreProblem>(&step)) {
            observer.ReportProblem(problem->path, problem->reason);
            continue;
        }
        const StoreJob& job = std::get<StoreJob>(step);
        observer.ShowStatus(job.shownName);
        const std::unique_ptr<StoreBatch> batch = queue.Wait(store, inPlace, list);
        Merge(*batch, job, list, observer);
        queue.Merged(store++);
        if (observer.StopRequested()) {
            finished = false;
            break;
        }
    }
    queue.Stop();
    return finished;
}

}  // namespace mirelo
