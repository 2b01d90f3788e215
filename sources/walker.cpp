#include "sources/walker.h"

#include <optional>
#include <set>
#include <utility>

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
        return WalkFolder(folder, Resolved(folder));
    }

private:
    // A folder's path with every link resolved, or none when it cannot be told: such a
    // folder is walked, only without the check that it was not walked before.
    using RealPath = std::optional<std::string>;

    static RealPath Resolved(const std::string& folder) {
        Result<std::string> real = RealFolderPath(folder);
        return real.Ok() ? RealPath(std::move(real.Value())) : std::nullopt;
    }

    // A folder reached again through a link is not walked twice.
    bool WalkFolder(const std::string& folder, const RealPath& realFolder) {
        if (realFolder && !entered_.insert(*realFolder).second) return true;
        if (observer_.StopRequested()) return false;

        const Result<FolderEntries> listed = ListFolderEntries(folder);
        if (!listed.Ok()) {
            observer_.ReportProblem(folder, listed.Error().Text());
            return true;
        }
        const bool finished = WalkEntries(folder, realFolder, listed.Value().entries);
        visitor_.LeaveFolder(folder);
        if (finished && listed.Value().brokeOff) observer_.ReportProblem(folder, listed.Value().brokeOff->Text());
        return finished;
    }

    bool WalkEntries(const std::string& folder, const RealPath& realFolder, const std::vector<FolderEntry>& entries) {
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
            const bool plain = realFolder && !entry.link;
            if (!WalkFolder(subfolder, plain ? RealPath(Joined(*realFolder, entry.name)) : Resolved(subfolder))) return false;
        }
        return true;
    }

    WalkVisitor& visitor_;
    ExtractionObserver& observer_;
    std::set<std::string> entered_;
};

}  // namespace

bool WalkFolders(const std::string& folderPath, WalkVisitor& visitor, ExtractionObserver& observer) {
    return FolderWalk(visitor, observer).Walk(folderPath);
}

}  // namespace mirelo
