#include "sources/dbx/dbx_reader.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "base/native_path.h"
#include "headers/reading.h"
#include "sources/dbx/dbx_dump.h"
#include "sources/dbx/temporary_dump_path.h"

namespace mirelo {

namespace {

void RemoveFile(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(NativePath(path), ignored);
}

}  // namespace

DbxReader::DbxReader(const Reading& reading, std::string dumpPath) : reading_(reading), dumpPath_(std::move(dumpPath)) {}

DbxReader::~DbxReader() {
    RemoveUnmergedDumps();
    if (!lastDump_.empty()) RemoveFile(lastDump_);
}

void DbxReader::Read(const FoundStore& store, StoreBatch& batch) {
    const std::string ownPath = PrivateDumpPath(dumpPath_);
    const Result<DumpDamage> dump = DumpDbxToText(store.path, ownPath, dumpPath_, batch.watch);
    if (!dump.Ok()) {
        batch.problems.push_back({store.path, dump.Error().Text()});
        RemoveFile(ownPath);
        if (dump.Error().code == FailureCode::TemporaryFile) {
            const std::lock_guard lock(mutex_);
            temporaryFileProblem_ = dump.Error().Text();
        }
        return;
    }
    if (dump.Value()) batch.problems.push_back({store.path, *dump.Value()});
    // Records read before a failure stay; the store's line says what was lost.
    if (const Result<> scan =
            ReadMailbox(ownPath, MailboxLayout::OutlookDump, reading_, batch.records, store.label, batch.watch);
        !scan.Ok())
        batch.problems.push_back({store.path, "its text dump cannot be read: " + scan.Error().Text()});
    Keep(store.path, ownPath);
}

void DbxReader::Keep(const std::string& store, const std::string& dump) {
    const std::lock_guard lock(mutex_);
    unmergedDumps_[store] = dump;
}

void DbxReader::Merged(const FoundStore& store) {
    const std::lock_guard lock(mutex_);
    const auto dump = unmergedDumps_.find(store.path);
    if (dump == unmergedDumps_.end()) return;
    anyRead_ = true;
    if (!lastDump_.empty()) RemoveFile(lastDump_);
    lastDump_ = std::move(dump->second);
    unmergedDumps_.erase(dump);
}

void DbxReader::RemoveUnmergedDumps() {
    // Batches read ahead of a stop are never merged.
    for (const auto& [store, dump] : unmergedDumps_) RemoveFile(dump);
    unmergedDumps_.clear();
}

void DbxReader::Finish(ExtractionObserver& observer, bool anyRecords) {
    RemoveUnmergedDumps();
    if (!lastDump_.empty()) {
        std::error_code error;
        std::filesystem::rename(NativePath(lastDump_), NativePath(dumpPath_), error);
        if (error) {
            observer.ReportProblem(dumpPath_, "the last store's dump could not be left here: " + error.message());
        } else {
            lastDump_.clear();
        }
    }
    if (!anyRead_ && !anyRecords && temporaryFileProblem_)
        observer.ReportNothingRead("No store could be read: " + *temporaryFileProblem_);
}

}  // namespace mirelo
