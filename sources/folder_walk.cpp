#include "sources/folder_walk.h"

#include <set>
#include <system_error>
#include <vector>

#include "scan/ascii.h"
#include "sources/folder_listing.h"
#include "sources/path_parts.h"

namespace mirelo {

namespace {

class FolderWalk {
public:
    FolderWalk(std::string_view storeExtension, ExtractionObserver& observer, const StoreVisitor& visit)
        : storeExtension_(storeExtension), observer_(observer), visit_(visit) {}

    // Returns false once the observer asked to stop.
    bool Walk(const std::string& folderPath) {
        const std::string folder = FolderOf(folderPath);
        return WalkFolder(folder, RealFolderPath(folder));
    }

private:
    // realFolder is the folder's path with every link resolved, or empty when it cannot be
    // told; a folder reached again through a link is not walked twice.
    bool WalkFolder(const std::string& folder, const std::string& realFolder) {
        if (!realFolder.empty() && !entered_.insert(realFolder).second) return true;

        std::error_code error;
        const std::vector<FolderEntry> entries = ListFolderEntries(folder, error);
        if (error && entries.empty()) {
            observer_.ReportProblem(folder, "folder cannot be read: " + error.message());
            return true;
        }
        for (const FolderEntry& entry : entries) {
            if (!Visit(folder, realFolder, entry)) return false;
        }
        if (error) observer_.ReportProblem(folder, "folder listing ended early: " + error.message());
        return true;
    }

    bool Visit(const std::string& folder, const std::string& realFolder, const FolderEntry& entry) {
        const std::string& name = entry.name;
        if (name.empty() || name.front() == '.') return true;

        if (entry.folder) {
            const std::string subfolder = folder + name + kPathSeparator;
            // Resolving a path looks at each of its components, which in a deep tree costs
            // more than the walk itself; a plain subfolder's real path is known without it.
            const bool plain = !realFolder.empty() && !entry.link;
            return WalkFolder(subfolder, plain ? Joined(realFolder, name) : RealFolderPath(subfolder));
        }

        const PathParts file = SplitPath(name);
        if (!EqualsNoCase(file.extension, storeExtension_) || EqualsNoCase(file.name, "trash")) return true;
        // A pipe or device by a mailbox's name would block or never end.
        if (!entry.regularFile) return true;
        visit_(folder + name);
        return !observer_.StopRequested();
    }

    static std::string Joined(const std::string& folder, const std::string& name) {
        return IsPathSeparator(folder.back()) ? folder + name : folder + kPathSeparator + name;
    }

    std::string_view storeExtension_;
    ExtractionObserver& observer_;
    const StoreVisitor& visit_;
    std::set<std::string> entered_;
};

}  // namespace

bool WalkFolderForStores(const std::string& folderPath, std::string_view storeExtension,
                         ExtractionObserver& observer, const StoreVisitor& visit) {
    return FolderWalk(storeExtension, observer, visit).Walk(folderPath);
}

}  // namespace mirelo
