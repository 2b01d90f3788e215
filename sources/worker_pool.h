#pragma once

#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "scan/address_list.h"
#include "scan/text_mode_reader.h"
#include "sources/extraction_observer.h"

namespace mirelo {

struct StoreProblem {
    std::string path;
    std::string reason;
};

// What reading one store gave, kept apart from every other store until it is merged;
// read on the calling thread, its records go straight to the result.
struct StoreBatch {
    StoreBatch() : own(std::make_unique<AddressList>()), records(*own) {}
    explicit StoreBatch(AddressList& result) : records(result) {}
    StoreBatch(const StoreBatch&) = delete;
    StoreBatch& operator=(const StoreBatch&) = delete;

    std::unique_ptr<AddressList> own;
    AddressList& records;
    // Given to the store's reading before it starts: to be told how far it has come
    // (which shows as progress) and asked whether to go on after each block.
    ReadWatch watch;
    // The threads the store's reading may keep busy, its own included.
    unsigned threads = 1;
    std::vector<StoreProblem> problems;  // in the order met, reported when the batch is merged
    std::vector<StoreProblem> notices;   // odd things in what was read all the same, reported after them
};

// One store of a walk: what the status line shows while it is read, how to read it, and
// what to do once its batch is merged (on the calling thread, in walk order).
struct StoreJob {
    std::string shownName;
    std::function<void(StoreBatch&)> read;
    std::function<void()> merged = {};
};

// A walk's result in walk order: the stores, and the problems met on the way between them.
using WalkStep = std::variant<StoreJob, StoreProblem>;

// The machine's core count, at least one.
unsigned DefaultWorkerCount();

// Reads the stores on worker threads, each into its own batch, and appends the batches to
// list in walk order, so the list is the same whatever the timing. Every observer call but
// StopRequested comes from the calling thread: a store's label before its batch is merged,
// the problems in walk order, the progress as stores of the total in thousandths.
// StopRequested is asked between stores and within them, on the calling thread and on the
// workers alike, so it must be safe to call from any thread; true ends the reading within
// a block of the stores being read, and the result is false. A store whose reading throws
// is reported with the reason, and the others are read all the same.
bool ReadStores(const std::vector<WalkStep>& steps, AddressList& list, ExtractionObserver& observer,
                unsigned workers);

}  // namespace mirelo
