#include "sources/walker.h"

#include <set>
#include <system_error>

#include "base/path_parts.h"

namespace mirelo {

namespace {

std::string Joined(const std::string& folder, const std::string& name) {
    return IsPathSeparator(folder.back()) ? folder + name : folder + kPathSeparator + name;
}

class FolderWalk {
public:
    FolderWalk(WalkVisitor& visitor, ExtractionObserver& observer) : visitor_(visitor), observer_(observer) {}

    bool Walk(const std::string& folderPath) {
        const std::string folder = FolderOf(folderPath);
        return WalkFolder(folder, RealFolderPath(folder));
    }

private:
    // realFolder is the folder's path with every link resolved, or empty when it cannot be
    // told; a folder reached again through a link is not walked twice.
    bool WalkFolder(const std::string& folder, const std::string& realFolder) {
        if (!realFolder.empty() && !entered_.insert(realFolder).second) return true;
        if (observer_.StopRequested()) return false;

        std::error_code error;
        const std::vector<FolderEntry> entries = ListFolderEntries(folder, error);
        if (error && entries.empty()) {
            observer_.ReportProblem(folder, FolderProblem(error, false));
            return true;
        }
        const bool finished = WalkEntries(folder, realFolder, entries);
        visitor_.LeaveFolder(folder);
        if (finished && error) observer_.ReportProblem(folder, FolderProblem(error, true));
        return finished;
    }

    bool WalkEntries(const std::string& folder, const std::string& realFolder, const std::vector<FolderEntry>& entries) {
        switch (visitor_.EnterFolder(folder, entries)) {
            case WalkDecision::Stop: return false;
            case WalkDecision::Skip: return true;
            case WalkDecision::Continue: break;
        }
        for (const FolderEntry& entry : entries) {
            const WalkDecision decision = visitor_.Visit(folder, entry);
            if (decision == WalkDecision::Stop) return false;
            if (decision == WalkDecision::Skip || !entry.folder) continue;
            // Resolving a path looks at each of its components, which in a deep tree costs
            // more than the walk itself; a plain subfolder's real path is known without it.
            const std::string subfolder = folder + entry.name + kPathSeparator;
            const bool plain = !realFolder.empty() && !entry.link;
            if (!WalkFolder(subfolder, plain ? Joined(realFolder, entry.name) : RealFolderPath(subfolder))) return false;
        }
        return true;
    }

    WalkVisitor& visitor_;
    ExtractionObserver& observer_;
    std::set<std::string> entered_;
};

}  // namespace

std::string FolderProblem(const std::error_code& error, bool anyListed) {
    return (anyListed ? "folder listing ended early: " : "folder cannot be read: ") + error.message();
}

bool WalkFolders(const std::string& folderPath, WalkVisitor& visitor, ExtractionObserver& observer) {
    return FolderWalk(visitor, observer).Walk(folderPath);
}

}  // namespace mirelo
