#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "sources/extraction_observer.h"

namespace mirelo {

enum class StoreKind { Eudora, Outlook, Mbox, Maildir, Eml, Emlx, Pst };
inline constexpr int kStoreKindCount = 7;

// "eudora", "outlook", "mbox", "maildir", "eml", "emlx", "pst": the command line's option names.
std::string_view StoreKindName(StoreKind kind);

struct StoreSelection {
    std::array<bool, kStoreKindCount> kinds{};
    // Takes in the Trash, Junk and Deleted folders of the newer clients; Eudora mailboxes
    // and Outlook Express stores keep the rule of their own commands either way.
    bool includeTrash = false;

    bool Has(StoreKind kind) const { return kinds[static_cast<std::size_t>(kind)]; }
    static StoreSelection Every();
};

// One store: a mailbox file, or a folder whose message files are read as one store.
struct FoundStore {
    StoreKind kind;
    std::string path;   // the file, or the folder with a trailing separator
    std::string label;  // what its records are labelled with
};

// Whether a folder or mail file is a client's Trash, Junk or Deleted folder.
bool IsTrashName(std::string_view name);

// The stores of the selected kinds in the folder that folderPath denotes and below it,
// depth first; in each folder its own messages (Maildir, .eml files, .emlx files) come
// first, then its entries in the one order of every walk (ListFolderEntries). Names beginning with a full stop
// are passed over, but for the Maildir++ subfolders inside a Maildir. Each real folder is
// entered once; a folder that cannot be read is reported and skipped. A file's first
// bytes are read only when neither its name nor its neighbours tell whether it is mail.
std::vector<FoundStore> ListMailStores(const std::string& folderPath, const StoreSelection& selection,
                                       ExtractionObserver& observer);

// The stores of an original command, Eudora mailboxes or Outlook Express stores: the files
// of the kind's extension (".mbx", ".dbx") in the folder that folderPath denotes and below
// it, depth first, in the order the system lists them. Names beginning with a full stop,
// files named Trash and anything but a plain file are passed over.
std::vector<FoundStore> ListStoreFiles(const std::string& folderPath, StoreKind kind, ExtractionObserver& observer);

}  // namespace mirelo
