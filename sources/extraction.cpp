#include "sources/extraction.h"

#include <cerrno>
#include <cstring>

#include "scan/mailbox_scanner.h"
#include "sources/dbx/dbx_dump.h"
#include "sources/folder_listing.h"
#include "sources/folder_walk.h"
#include "sources/path_parts.h"

namespace mirelo {

namespace {

// The status line names a store by its path without the root text.
void ShowStore(const std::string& storePath, const std::string& rootText, ExtractionObserver& observer) {
    observer.ShowStatus(RemoveAll(storePath, rootText));
    observer.KeepAlive();
}

}  // namespace

bool WalkEudoraFolder(const std::string& folderPath, const std::string& rootText, AddressList& list,
                      ExtractionObserver& observer) {
    return WalkFolderForStores(folderPath, ".mbx", observer, [&](const std::string& mailbox) {
        ShowStore(mailbox, rootText, observer);
        // A mailbox skipped without a word would make the counts look complete.
        if (!ScanMailbox(mailbox, list, mailbox))
            observer.ReportProblem(mailbox, std::string("mailbox cannot be read: ") + std::strerror(errno));
    });
}

bool WalkOutlookFolder(const std::string& folderPath, const std::string& rootText, AddressList& list,
                       ExtractionObserver& observer) {
    bool anyRead = false;
    std::string temporaryFileProblem;
    const bool finished = WalkFolderForStores(folderPath, ".dbx", observer, [&](const std::string& store) {
        const std::string dumpPath = TemporaryDumpPath();
        ShowStore(store, rootText, observer);
        const DumpOutcome outcome = DumpDbxToText(store, dumpPath);
        if (!outcome.problem.empty()) observer.ReportProblem(store, outcome.problem);
        if (outcome.written) ScanMailbox(dumpPath, list, store);
        anyRead = anyRead || outcome.written;
        if (outcome.temporaryFileFailed) temporaryFileProblem = outcome.problem;
    });
    if (!anyRead && !temporaryFileProblem.empty())
        observer.ReportNothingRead("No store could be read: " + temporaryFileProblem);
    return finished;
}

std::string RootTextFor(MailSource source, const std::string& chosenFolder) {
    return source == MailSource::Eudora ? chosenFolder + kPathSeparator : chosenFolder;
}

std::optional<UnreadableFolder> FindUnreadableFolder(MailSource source, const std::string& chosenFolder) {
    const std::string walkStart = FolderOf(RootTextFor(source, chosenFolder));
    for (const std::string& folder : {chosenFolder, walkStart.empty() ? std::string(".") : walkStart}) {
        if (const FolderListing listing(folder); listing.Error()) return UnreadableFolder{folder, listing.Error()};
    }
    return std::nullopt;
}

bool ExtractAddresses(MailSource source, const std::string& rootText, AddressList& list,
                      ExtractionObserver& observer) {
    list.Reset();
    return source == MailSource::Eudora ? WalkEudoraFolder(rootText, rootText, list, observer)
                                        : WalkOutlookFolder(rootText, rootText, list, observer);
}

}  // namespace mirelo
