#include "extraction/extraction_service.h"

#include <utility>

#include "base/path_parts.h"
#include "sources/dbx/temporary_dump_path.h"
#include "sources/dbx/dbx_reader.h"
#include "sources/folder_listing.h"
#include "sources/mbox/mailbox_file_reader.h"
#include "sources/message_files/message_files.h"
#include "sources/pst/pst_reader.h"

namespace mirelo {

namespace {

// Passes every call on, and keeps the problems and the nothing-read reason for the result.
class ResultObserver : public ExtractionObserver {
public:
    ResultObserver(ExtractionObserver& observer, ExtractionResult& result) : observer_(observer), result_(result) {}

    void ShowStatus(const std::string& text) override { observer_.ShowStatus(text); }
    void ShowProgress(std::uint64_t done, std::uint64_t total) override { observer_.ShowProgress(done, total); }
    void ReportProblem(const std::string& path, const std::string& reason) override {
        result_.problems.push_back({path, reason});
        observer_.ReportProblem(path, reason);
    }
    void ReportNotice(const std::string& path, const std::string& note) override { observer_.ReportNotice(path, note); }
    void ReportNothingRead(const std::string& message) override {
        result_.nothingRead = message;
        observer_.ReportNothingRead(message);
    }
    bool StopRequested() override { return observer_.StopRequested(); }

private:
    ExtractionObserver& observer_;
    ExtractionResult& result_;
};

// Keeps the problems met while listing, so that they are told in walk order among the
// stores, which are shown only as they are read.
class ListingObserver : public ExtractionObserver {
public:
    ListingObserver(ExtractionObserver& observer, std::vector<WalkStep>& steps) : observer_(observer), steps_(steps) {}

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

// Quiet, for a walk that only looks.
class SilentObserver : public ExtractionObserver {
public:
    void ShowStatus(const std::string&) override {}
    void ReportProblem(const std::string&, const std::string&) override {}
    void ReportNothingRead(const std::string&) override {}
};

// The Eudora and all-mail commands take the chosen folder's text with a separator; the
// Outlook command takes it as it is, so its walk starts in the parent folder.
std::string WalkRoot(MailSource source, const std::string& folder) {
    return source == MailSource::Outlook ? folder : folder + kPathSeparator;
}

// One reader for each kind of store.
class Readers {
public:
    Readers(const Reading& reading, bool includeTrash)
        : eudora_(reading, MailboxLayout::Eudora),
          mbox_(reading, MailboxLayout::Mbox),
          dbx_(reading, TemporaryDumpPath()),
          messageFiles_(reading),
          pst_(reading, includeTrash) {}

    StoreReader& For(StoreKind kind) {
        switch (kind) {
            case StoreKind::Eudora: return eudora_;
            case StoreKind::Outlook: return dbx_;
            case StoreKind::Mbox: return mbox_;
            case StoreKind::Pst: return pst_;
            default: return messageFiles_;
        }
    }

    void Finish(ExtractionObserver& observer, bool anyRecords) {
        for (StoreReader* reader : {static_cast<StoreReader*>(&eudora_), static_cast<StoreReader*>(&mbox_),
                                    static_cast<StoreReader*>(&dbx_), static_cast<StoreReader*>(&messageFiles_),
                                    static_cast<StoreReader*>(&pst_)})
            reader->Finish(observer, anyRecords);
    }

private:
    MailboxFileReader eudora_;
    MailboxFileReader mbox_;
    DbxReader dbx_;
    MessageFilesReader messageFiles_;
    PstReader pst_;
};

// "Maildir" of "/home/ann/Maildir/"; a root keeps its whole path.
std::string OwnName(std::string path) {
    while (path.size() > 1 && IsPathSeparator(path.back())) path.pop_back();
    const PathParts parts = SplitPath(path);
    return parts.name.empty() && parts.extension.empty() ? path : parts.name + parts.extension;
}

// The status line names a store by its path without the label prefix; the all-mail walk
// adds its kind.
std::string ShownName(const FoundStore& store, MailSource source, const std::string& labelPrefix) {
    std::string shown = WithoutPrefix(store.path, labelPrefix);
    if (source != MailSource::AllMail) return shown;
    if (shown.size() > 1 && IsPathSeparator(shown.back())) shown.pop_back();
    if (shown.empty()) shown = OwnName(store.path);  // the chosen folder is the store itself
    return shown + " (" + std::string(StoreKindName(store.kind)) + ")";
}

std::vector<FoundStore> ListStores(const ExtractionRequest& request, const std::string& walkRoot,
                                   ExtractionObserver& observer) {
    switch (request.source) {
        case MailSource::Eudora: return ListStoreFiles(walkRoot, StoreKind::Eudora, observer);
        case MailSource::Outlook: return ListStoreFiles(walkRoot, StoreKind::Outlook, observer);
        default: return ListMailStores(walkRoot, request.selection, observer);
    }
}

}  // namespace

ExtractionResult Extract(const ExtractionRequest& request, ExtractionObserver& observer,
                         std::unique_ptr<AddressList> into) {
    ExtractionResult result;
    result.list = into ? std::move(into) : std::make_unique<AddressList>();
    result.list->Reset();
    ScanExtras extras = request.extras;
    extras.namesInUtf8 = request.reading.rules == ReadingRules::Rfc5322;
    result.list->AskScanExtras(extras);
    const std::string walkRoot = WalkRoot(request.source, request.folder);
    result.labelPrefix = walkRoot;
    result.unreadableFolder = FindUnreadableFolder(request);
    if (result.unreadableFolder) return result;

    ResultObserver reporting(observer, result);
    std::vector<WalkStep> steps;
    ListingObserver listing(reporting, steps);
    const std::vector<FoundStore> stores = ListStores(request, walkRoot, listing);
    Readers readers(request.reading, request.selection.includeTrash);
    for (const FoundStore& store : stores) {
        result.storePaths.push_back(store.path);
        StoreReader& reader = readers.For(store.kind);
        steps.push_back(StoreJob{ShownName(store, request.source, result.labelPrefix),
                                 [&reader, &store](StoreBatch& batch) { reader.Read(store, batch); },
                                 [&reader, &store] { reader.Merged(store); }});
    }
    result.finished = !reporting.StopRequested() && ReadStores(steps, *result.list, reporting, request.workers);
    readers.Finish(reporting, result.list->Count() > 0);
    if (request.gatherFacts)
        result.facts = FactsTable::Gather(*result.list,
                                          AddressClassifier(request.ownAddresses, result.list->ListAddresses()));
    return result;
}

ReadingRules DefaultRules(MailSource source) {
    return source == MailSource::AllMail ? ReadingRules::Rfc5322 : ReadingRules::Original;
}

HeaderKindSet DefaultKinds(ReadingRules rules) {
    return rules == ReadingRules::Original ? HeaderKindSet::Original() : HeaderKindSet::Every();
}

std::string ReadingNote(const ExtractionRequest& request) {
    if (request.reading.rules == DefaultRules(request.source)) return {};
    return request.reading.rules == ReadingRules::Rfc5322 ? " (read as RFC 5322)" : " (read by the original line rule)";
}

std::optional<UnreadableFolder> FindUnreadableFolder(const ExtractionRequest& request) {
    const std::string walkStart = FolderOf(WalkRoot(request.source, request.folder));
    for (const std::string& path : {request.folder, walkStart.empty() ? std::string(".") : walkStart}) {
        if (const Result<> listable = CheckFolderListable(path); !listable.Ok())
            return UnreadableFolder{path, listable.Error().code};
    }
    return std::nullopt;
}

bool HoldsStores(const std::string& folder, StoreKind kind) {
    SilentObserver silent;
    return !ListStoreFiles(folder + kPathSeparator, kind, silent).empty();
}

}  // namespace mirelo
