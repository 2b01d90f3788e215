#pragma once

#include <string>
#include <vector>

#include "sources/extraction_observer.h"
#include "sources/folder_listing.h"

namespace mirelo {

// What a visitor tells the walk about an entry: go on (into it, for a folder), pass it
// over, or end the walk.
enum class WalkDecision { Continue, Skip, Stop };

class WalkVisitor {
public:
    virtual ~WalkVisitor() = default;
    // A folder about to be gone through, with all its entries in walk order; Skip passes
    // over them.
    virtual WalkDecision EnterFolder(const std::string& /*folder*/, const std::vector<FolderEntry>& /*entries*/) {
        return WalkDecision::Continue;
    }
    // Each entry of the folder in turn. folder ends with a separator (or is empty).
    virtual WalkDecision Visit(const std::string& folder, const FolderEntry& entry) = 0;
    // After the folder's entries, and those of its subfolders, were gone through.
    virtual void LeaveFolder(const std::string& /*folder*/) {}
};

// Walks the folder that folderPath denotes (its directory part, so a path without a
// trailing separator denotes its parent) and the subfolders the visitor enters, depth
// first, each folder's entries in the one order of every system (ListFolderEntries). Each real folder is entered once, so a link back into the tree cannot make the
// walk endless; a folder that cannot be read is reported to the observer and passed over.
// The observer is asked before each folder is listed whether to stop. Returns false when
// the visitor or the observer ended the walk.
bool WalkFolders(const std::string& folderPath, WalkVisitor& visitor, ExtractionObserver& observer);

}  // namespace mirelo
