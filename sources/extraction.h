#pragma once

#include <optional>
#include <string>
#include <system_error>

#include "scan/address_list.h"
#include "sources/extraction_observer.h"
#include "sources/store_detection.h"
#include "sources/store_jobs.h"

namespace mirelo {

// The two original commands, and the one that reads every kind of store under a folder.
enum class MailSource { Eudora, Outlook, AllMail };

// The root text of an extraction: the Eudora and all-mail commands append a separator to
// the chosen folder; the Outlook command keeps it as it is, so its walk starts in the
// parent folder.
std::string RootTextFor(MailSource source, const std::string& chosenFolder);

struct UnreadableFolder {
    std::string path;
    std::error_code error;
};

// The chosen folder, or the folder its walk starts in, when it cannot be listed: an
// extraction of it would find nothing and still count as done.
std::optional<UnreadableFolder> FindUnreadableFolder(MailSource source, const std::string& chosenFolder);

struct ExtractionSettings {
    unsigned workers = DefaultWorkerCount();  // threads that read stores
};

// Empties the list and walks the folder that rootText denotes, scanning every accepted
// store into the list. Returns false when the observer asked to stop.
bool ExtractAddresses(MailSource source, const std::string& rootText, AddressList& list,
                      ExtractionObserver& observer, const ExtractionSettings& settings = {});

// Empties the list, lists the selected stores below rootText's folder and then reads them,
// each kind by its own reader; the status line names each store with its kind. Returns
// false when the observer asked to stop.
bool ExtractAllMail(const std::string& rootText, const StoreSelection& selection, AddressList& list,
                    ExtractionObserver& observer, const ExtractionSettings& settings = {});

// The walks behind the two commands: every ".mbx" file is scanned as it is; every ".dbx"
// store is first dumped to text and that text scanned, labelled with the store's path;
// the temporary file holds the last store's dump afterwards.
bool WalkEudoraFolder(const std::string& folderPath, const std::string& rootText, AddressList& list,
                      ExtractionObserver& observer, const ExtractionSettings& settings);
bool WalkOutlookFolder(const std::string& folderPath, const std::string& rootText, AddressList& list,
                       ExtractionObserver& observer, const ExtractionSettings& settings);

}  // namespace mirelo
