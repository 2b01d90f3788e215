#include "sources/folder_walk.h"

#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

#include "scan/ascii.h"
#include "sources/path_parts.h"

namespace mirelo {

namespace {

namespace fs = std::filesystem;

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(static_cast<unsigned char>(a[i])) != FoldAscii(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

class FolderWalk {
public:
    FolderWalk(std::string_view storeExtension, ExtractionObserver& observer, const StoreVisitor& visit)
        : storeExtension_(storeExtension), observer_(observer), visit_(visit) {}

    // Returns false once the observer asked to stop.
    bool Walk(const std::string& folderPath) {
        const PathParts parts = SplitPath(folderPath);
        const std::string folder = parts.drive + parts.directory;
        return WalkFolder(folder, RealPath(folder));
    }

private:
    // realFolder is the folder's path with every link resolved, or empty when it cannot be
    // told; a folder reached again through a link is not walked twice.
    bool WalkFolder(const std::string& folder, const fs::path& realFolder) {
        if (!realFolder.empty() && !entered_.insert(realFolder.string()).second) return true;

        std::error_code error;
        const std::vector<fs::directory_entry> entries = ReadEntries(folder, error);
        if (error && entries.empty()) {
            observer_.ReportProblem(folder, "folder cannot be read: " + error.message());
            return true;
        }
        for (const fs::directory_entry& entry : entries) {
            if (!Visit(folder, realFolder, entry)) return false;
        }
        if (error) observer_.ReportProblem(folder, "folder listing ended early: " + error.message());
        return true;
    }

    // The folder is closed again before the walk goes down into its subfolders: kept open
    // level by level, a tree deeper than the open-file limit could not be walked.
    static std::vector<fs::directory_entry> ReadEntries(const std::string& folder, std::error_code& error) {
        std::vector<fs::directory_entry> entries;
        fs::directory_iterator listing(folder.empty() ? fs::path(".") : fs::path(folder), error);
        for (; !error && listing != fs::directory_iterator(); listing.increment(error)) entries.push_back(*listing);
        return entries;
    }

    bool Visit(const std::string& folder, const fs::path& realFolder, const fs::directory_entry& entry) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.front() == '.') return true;

        std::error_code error;
        if (entry.is_directory(error)) {
            const std::string subfolder = folder + name + kPathSeparator;
            // Resolving a path looks at each of its components, which in a deep tree costs
            // more than the walk itself; a plain subfolder's real path is known without it.
            const bool plain = !realFolder.empty() && !entry.is_symlink(error);
            return WalkFolder(subfolder, plain ? realFolder / name : RealPath(subfolder));
        }

        const PathParts file = SplitPath(name);
        if (!EqualsNoCase(file.extension, storeExtension_) || EqualsNoCase(file.name, "trash")) return true;
        // A pipe or device by a mailbox's name would block or never end.
        if (!entry.is_regular_file(error)) return true;
        visit_(folder + name);
        return !observer_.StopRequested();
    }

    static fs::path RealPath(const std::string& folder) {
        std::error_code error;
        fs::path real = fs::canonical(folder.empty() ? fs::path(".") : fs::path(folder), error);
        return error ? fs::path() : real;
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
