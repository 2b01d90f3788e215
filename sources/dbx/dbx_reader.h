#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "headers/reading.h"
#include "sources/store_reader.h"

namespace mirelo {

// Outlook Express stores (.dbx). Each store is dumped to text in a file of its own beside
// the temporary file, and that text read, so that neither another worker nor another
// extraction with the same temporary folder can change it under the reading. Once the
// walk is read, the temporary file holds the last merged store's dump; every other dump
// of the run is removed.
class DbxReader : public StoreReader {
public:
    DbxReader(const Reading& reading, std::string dumpPath);
    ~DbxReader() override;

    void Read(const FoundStore& store, StoreBatch& batch) override;
    void Merged(const FoundStore& store) override;
    // An empty result must not pass for one when the temporary file was the reason.
    void Finish(ExtractionObserver& observer, bool anyRecords) override;

private:
    void Keep(const std::string& store, const std::string& dump);
    void RemoveUnmergedDumps();

    Reading reading_;
    std::string dumpPath_;
    std::mutex mutex_;  // guards what the workers leave here
    std::map<std::string, std::string> unmergedDumps_;  // store path: its dump, read but not merged
    std::optional<std::string> temporaryFileProblem_;    // why a store's dump could not be written
    std::string lastDump_;                               // the last merged store's dump
    bool anyRead_ = false;
};

}  // namespace mirelo
