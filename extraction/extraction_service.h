#pragma once

#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "facts/address_facts.h"
#include "headers/reading.h"
#include "scan/address_list.h"
#include "sources/extraction_observer.h"
#include "sources/store_detection.h"
#include "sources/worker_pool.h"

namespace mirelo {

// The two original commands, and the one that reads every kind of store under a folder.
enum class MailSource { Eudora, Outlook, AllMail };

// What to read and what to gather: everything an extraction needs, from either front end.
struct ExtractionRequest {
    MailSource source = MailSource::Eudora;
    StoreSelection selection = StoreSelection::Every();  // the kinds the all-mail walk reads
    std::string folder;  // as a folder browser gives it: no trailing separator but for a root
    Reading reading;
    ScanExtras extras;                    // what the scans gather beside the records
    bool gatherFacts = false;             // the per-address facts, for the formats and Details
    std::vector<std::string> ownAddresses;  // the category "own", when facts are gathered
    unsigned workers = DefaultWorkerCount();
};

struct UnreadableFolder {
    std::string path;
    std::error_code error;
};

struct ExtractionResult {
    std::unique_ptr<AddressList> list;
    std::optional<FactsTable> facts;  // when asked for, gathered in walk order
    // Every store, part of a store or folder that could not be read, in walk order.
    std::vector<StoreProblem> problems;
    // The chosen folder, or the folder its walk starts in, could not be listed: nothing was read.
    std::optional<UnreadableFolder> unreadableFolder;
    // Stores were found but none could be read, for a reason that is no store's fault.
    std::optional<std::string> nothingRead;
    // What every label of the walk begins with; it is left out where a label is shown.
    std::string labelPrefix;
    std::vector<std::string> storePaths;  // the stores the walk found, in walk order
    bool finished = true;        // false when the observer asked to stop
};

// Runs the request: walks the folder, reads every store it finds on the workers, merges
// their records in walk order and gathers the facts asked for. The observer hears of each
// store and problem as it comes; the result keeps the problems too. A list, when given,
// is emptied and filled, so that its spare records serve again.
ExtractionResult Extract(const ExtractionRequest& request, ExtractionObserver& observer,
                         std::unique_ptr<AddressList> into = nullptr);

// Each command's own reading: the original line rule for the Eudora and Outlook commands,
// the RFC 5322 reading for all mail; the header kinds each reads by default.
ReadingRules DefaultRules(MailSource source);
HeaderKindSet DefaultKinds(ReadingRules rules);
// Empty for a command's own reading, else what the result line adds to say which it was.
std::string ReadingNote(const ExtractionRequest& request);

// The chosen folder, or the folder its walk starts in, when it cannot be listed: an
// extraction of it would find nothing and still count as done.
std::optional<UnreadableFolder> FindUnreadableFolder(const ExtractionRequest& request);

// Whether the folder holds a store of an original command's kind (Eudora or Outlook) in
// it or below it: an empty result may come from the wrong command.
bool HoldsStores(const std::string& folder, StoreKind kind);

}  // namespace mirelo
