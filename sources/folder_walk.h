#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "sources/extraction_observer.h"

namespace mirelo {

// Called with the path of each accepted store file.
using StoreVisitor = std::function<void(const std::string& storePath)>;

// Visits the folder that folderPath denotes (its directory part, so a path without a
// trailing separator denotes its parent) and every folder below it, depth first, in the
// order the directory listing yields the entries. Names beginning with a full stop are
// skipped; a file is accepted when its extension equals storeExtension and its name is
// not "trash", both ignoring ASCII case. Each real folder is entered once, so a link back
// into the tree cannot make the walk endless; a folder that cannot be read is reported
// and skipped. Returns false when the observer asked to stop.
bool WalkFolderForStores(const std::string& folderPath, std::string_view storeExtension,
                         ExtractionObserver& observer, const StoreVisitor& visit);

}  // namespace mirelo
