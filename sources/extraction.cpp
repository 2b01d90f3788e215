#include "sources/extraction.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "scan/mailbox_scanner.h"
#include "scan/native_path.h"
#include "sources/dbx/dbx_dump.h"
#include "sources/folder_listing.h"
#include "sources/folder_walk.h"
#include "sources/message_files/message_files.h"
#include "sources/path_parts.h"

namespace mirelo {

namespace {

// Lists the stores of a walk, and the problems met between them, without reading any.
class WalkLister : public ExtractionObserver {
public:
    WalkLister(ExtractionObserver& observer, std::vector<WalkStep>& steps) : observer_(observer), steps_(steps) {}

    void ShowStatus(const std::string&) override {}
    void ReportProblem(const std::string& path, const std::string& reason) override {
        steps_.push_back(StoreProblem{path, reason});
    }
    void ReportNothingRead(const std::string&) override {}
    bool StopRequested() override { return observer_.StopRequested(); }

private:
    ExtractionObserver& observer_;
    std::vector<WalkStep>& steps_;
};

// The walk's stores as jobs, in walk order; the status line names a store by its path
// without the root text.
template <typename MakeReader>
std::vector<WalkStep> ListStores(const std::string& folderPath, std::string_view extension, const std::string& rootText,
                                 ExtractionObserver& observer, MakeReader makeReader) {
    std::vector<WalkStep> steps;
    WalkLister lister(observer, steps);
    WalkFolderForStores(folderPath, extension, lister, [&](const std::string& store) {
        steps.push_back(StoreJob{WithoutPrefix(store, rootText), makeReader(store)});
    });
    return steps;
}

void RemoveFile(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(NativePath(path), ignored);
}

// A dump file of this run, removed with its owner unless handed on.
class OwnedDump {
public:
    OwnedDump() = default;
    explicit OwnedDump(std::string path) : path_(std::move(path)) {}
    OwnedDump(OwnedDump&& other) noexcept : path_(std::exchange(other.path_, {})) {}
    OwnedDump& operator=(OwnedDump&& other) noexcept {
        if (this != &other) {
            Drop();
            path_ = std::exchange(other.path_, {});
        }
        return *this;
    }
    ~OwnedDump() { Drop(); }

    // Moves the dump to path; on failure the reason, and the dump stays ours.
    std::error_code MoveTo(const std::string& path) {
        std::error_code error;
        if (path_.empty()) return error;
        std::filesystem::rename(NativePath(path_), NativePath(path), error);
        if (!error) path_.clear();
        return error;
    }

private:
    void Drop() {
        if (!path_.empty()) RemoveFile(path_);
        path_.clear();
    }

    std::string path_;
};

StoreReader MailboxReader(const std::string& mailbox) {
    return [mailbox](StoreBatch& batch) {
        // A mailbox skipped without a word would make the counts look complete.
        if (const Result<> scan = ScanMailbox(mailbox, batch.records, mailbox, batch.watch); !scan.Ok())
            batch.problems.push_back({mailbox, "mailbox cannot be read: " + scan.Error().reason});
    };
}

// Each store is dumped to a file of its own beside the temporary file and scanned from
// there, so that neither another worker nor another extraction with the same temporary
// folder can change it under the scan; the temporary file gets the last dump at the end.
StoreReader OutlookStoreReader(const std::string& store, const std::string& dumpPath) {
    return [store, dumpPath](StoreBatch& batch) {
        const std::string ownPath = PrivateDumpPath(dumpPath);
        const DumpOutcome outcome = DumpDbxToText(store, ownPath, dumpPath, batch.watch);
        if (!outcome.problem.empty()) batch.problems.push_back({store, outcome.problem});
        if (outcome.written) ScanMailbox(ownPath, batch.records, store, batch.watch);
        batch.read = outcome.written;
        if (outcome.temporaryFileFailed) batch.temporaryFileProblem = outcome.problem;
        if (outcome.written)
            batch.dumpPath = ownPath;
        else
            RemoveFile(ownPath);
    };
}

// What the Outlook Express stores' batches leave once merged: the last dump, and whether
// the temporary file kept every one from being read.
class OutlookDumps {
public:
    explicit OutlookDumps(std::string dumpPath) : dumpPath_(std::move(dumpPath)) {}

    void Merged(StoreBatch& batch) {
        anyRead_ = anyRead_ || batch.read;
        if (!batch.temporaryFileProblem.empty()) temporaryFileProblem_ = batch.temporaryFileProblem;
        if (!batch.dumpPath.empty()) lastDump_ = OwnedDump(std::exchange(batch.dumpPath, {}));
    }

    // An empty result must not pass for one when the temporary file was the reason.
    void Finish(ExtractionObserver& observer, bool otherStoresGaveRecords) {
        if (const std::error_code error = lastDump_.MoveTo(dumpPath_))
            observer.ReportProblem(dumpPath_, "the last store's dump could not be left here: " + error.message());
        if (!anyRead_ && !otherStoresGaveRecords && !temporaryFileProblem_.empty())
            observer.ReportNothingRead("No store could be read: " + temporaryFileProblem_);
    }

private:
    std::string dumpPath_;
    bool anyRead_ = false;
    std::string temporaryFileProblem_;
    OwnedDump lastDump_;
};

StoreReader ReaderFor(const FoundStore& store, const std::string& dumpPath) {
    switch (store.kind) {
        case StoreKind::Eudora:
        case StoreKind::Mbox: return MailboxReader(store.path);
        case StoreKind::Outlook: return OutlookStoreReader(store.path, dumpPath);
        default: return [store](StoreBatch& batch) { ReadMessageFolder(store, batch); };
    }
}

// A store as the status line names it: its path without the root text, and its kind.
std::string ShownStore(const FoundStore& store, const std::string& rootText) {
    std::string shown = WithoutPrefix(store.path, rootText);
    if (shown.size() > 1 && IsPathSeparator(shown.back())) shown.pop_back();
    return shown + " (" + std::string(StoreKindName(store.kind)) + ")";
}

}  // namespace

bool WalkEudoraFolder(const std::string& folderPath, const std::string& rootText, AddressList& list,
                      ExtractionObserver& observer, const ExtractionSettings& settings) {
    const std::vector<WalkStep> steps = ListStores(folderPath, ".mbx", rootText, observer, MailboxReader);
    return ReadStores(steps, list, observer, settings.workers, [](StoreBatch&) {});
}

bool WalkOutlookFolder(const std::string& folderPath, const std::string& rootText, AddressList& list,
                       ExtractionObserver& observer, const ExtractionSettings& settings) {
    const std::string dumpPath = TemporaryDumpPath();
    const auto reader = [&dumpPath](const std::string& store) { return OutlookStoreReader(store, dumpPath); };
    const std::vector<WalkStep> steps = ListStores(folderPath, ".dbx", rootText, observer, reader);
    OutlookDumps dumps(dumpPath);
    const bool finished =
        ReadStores(steps, list, observer, settings.workers, [&](StoreBatch& batch) { dumps.Merged(batch); });
    dumps.Finish(observer, false);
    return finished;
}

bool ExtractAllMail(const std::string& rootText, const StoreSelection& selection, AddressList& list,
                    ExtractionObserver& observer, const ExtractionSettings& settings) {
    list.Reset();
    const std::string dumpPath = TemporaryDumpPath();
    std::vector<WalkStep> steps;
    WalkLister lister(observer, steps);
    for (const FoundStore& store : ListMailStores(rootText, selection, lister))
        steps.push_back(StoreJob{ShownStore(store, rootText), ReaderFor(store, dumpPath)});
    OutlookDumps dumps(dumpPath);
    const bool finished =
        ReadStores(steps, list, observer, settings.workers, [&](StoreBatch& batch) { dumps.Merged(batch); });
    dumps.Finish(observer, list.Count() > 0);
    return finished;
}

std::string RootTextFor(MailSource source, const std::string& chosenFolder) {
    return source == MailSource::Outlook ? chosenFolder : chosenFolder + kPathSeparator;
}

std::optional<UnreadableFolder> FindUnreadableFolder(MailSource source, const std::string& chosenFolder) {
    const std::string walkStart = FolderOf(RootTextFor(source, chosenFolder));
    for (const std::string& folder : {chosenFolder, walkStart.empty() ? std::string(".") : walkStart}) {
        if (const FolderListing listing(folder); listing.Error()) return UnreadableFolder{folder, listing.Error()};
    }
    return std::nullopt;
}

bool ExtractAddresses(MailSource source, const std::string& rootText, AddressList& list,
                      ExtractionObserver& observer, const ExtractionSettings& settings) {
    switch (source) {
        case MailSource::Eudora: list.Reset(); return WalkEudoraFolder(rootText, rootText, list, observer, settings);
        case MailSource::Outlook: list.Reset(); return WalkOutlookFolder(rootText, rootText, list, observer, settings);
        default: return ExtractAllMail(rootText, StoreSelection::Every(), list, observer, settings);
    }
}

}  // namespace mirelo
