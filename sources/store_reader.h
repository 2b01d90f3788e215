#pragma once

#include "sources/extraction_observer.h"
#include "sources/store_detection.h"
#include "sources/worker_pool.h"

namespace mirelo {

// What the extraction knows of a kind of store: how to read one, and what the kind must do
// once the walk's stores are read. Read is called on the worker threads, the others on
// the thread that runs the extraction.
class StoreReader {
public:
    virtual ~StoreReader() = default;
    // Reads the store into the batch: records, problems, notices.
    virtual void Read(const FoundStore& store, StoreBatch& batch) = 0;
    // The store's batch has been merged into the result, in walk order.
    virtual void Merged(const FoundStore& /*store*/) {}
    // Every merged store is in the result; anyRecords tells whether the result holds any.
    virtual void Finish(ExtractionObserver& /*observer*/, bool /*anyRecords*/) {}
};

}  // namespace mirelo
