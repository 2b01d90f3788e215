#include "sources/store_detection.h"

#include <algorithm>
#include <set>
#include <system_error>

#include "scan/ascii.h"
#include "sources/folder_listing.h"
#include "sources/mbox/mbox_file.h"
#include "sources/path_parts.h"

namespace mirelo {

namespace {

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

bool HasExtension(std::string_view name, std::string_view extension) {
    return EqualsNoCase(SplitPath(name).extension, extension);
}

// Never mail: the indexes and caches that clients keep beside their mail.
bool IsIndexFile(std::string_view name) {
    for (const char* extension : {".msf", ".toc", ".plist", ".emlxpart"})
        if (HasExtension(name, extension)) return true;
    return false;
}

std::string WithoutTrailingSeparator(std::string folder) {
    if (folder.size() > 1 && IsPathSeparator(folder.back())) folder.pop_back();
    return folder;
}

class StoreFinder {
public:
    StoreFinder(const StoreSelection& selection, ExtractionObserver& observer)
        : selection_(selection), observer_(observer) {}

    std::vector<FoundStore> Find(const std::string& folderPath) {
        const std::string folder = FolderOf(folderPath);
        Walk(folder, RealFolderPath(folder), "");
        return std::move(stores_);
    }

private:
    // appleMailbox is the nearest "*.mbox" folder around this one, whose name the Apple
    // Mail messages below it are labelled with; empty outside one.
    void Walk(const std::string& folder, const std::string& realFolder, const std::string& appleMailbox) {
        if (!realFolder.empty() && !entered_.insert(realFolder).second) return;

        std::error_code error;
        std::vector<FolderEntry> entries = ListFolderEntries(folder, error);
        if (error && entries.empty()) {
            observer_.ReportProblem(folder, "folder cannot be read: " + error.message());
            return;
        }
        std::set<std::string> names;
        for (const FolderEntry& entry : entries) names.insert(entry.name);

        const bool maildir = HasFolder(entries, "cur") && HasFolder(entries, "new");
        const std::string label = WithoutTrailingSeparator(folder);
        if (maildir) Add(StoreKind::Maildir, folder, label);
        if (HoldsFiles(entries, ".eml")) Add(StoreKind::Eml, folder, label);
        if (HoldsFiles(entries, ".emlx")) Add(StoreKind::Emlx, folder, appleMailbox.empty() ? label : appleMailbox);

        for (const FolderEntry& entry : entries) {
            if (entry.folder) {
                VisitFolder(folder, realFolder, entry, maildir, appleMailbox);
            } else if (!entry.name.empty() && entry.name.front() != '.' && entry.regularFile) {
                VisitFile(folder, entry.name, names);
            }
        }
        if (error) observer_.ReportProblem(folder, "folder listing ended early: " + error.message());
    }

    void VisitFolder(const std::string& folder, const std::string& realFolder, const FolderEntry& entry,
                     bool maildir, const std::string& appleMailbox) {
        const std::string& name = entry.name;
        // A Maildir's own message folders are read with it; its subfolders are ".Name".
        if (maildir && (name == "cur" || name == "new" || name == "tmp")) return;
        if (name.front() == '.' && !maildir) return;
        if (!selection_.includeTrash && IsTrashName(name)) return;

        const std::string subfolder = folder + name + kPathSeparator;
        const bool plain = !realFolder.empty() && !entry.link;
        const std::string realSubfolder =
            plain ? WithoutTrailingSeparator(realFolder) + kPathSeparator + name : RealFolderPath(subfolder);
        const bool opensMailbox = EndsWithNoCase(name, ".mbox");
        Walk(subfolder, realSubfolder, opensMailbox ? WithoutTrailingSeparator(subfolder) : appleMailbox);
    }

    void VisitFile(const std::string& folder, const std::string& name, const std::set<std::string>& siblings) {
        const std::string path = folder + name;
        const PathParts parts = SplitPath(name);
        // Eudora mailboxes and Outlook Express stores are taken as their own commands take them.
        const bool ownTrash = EqualsNoCase(parts.name, "trash");
        if (EqualsNoCase(parts.extension, ".mbx")) {
            if (!ownTrash) Add(StoreKind::Eudora, path, path);
        } else if (EqualsNoCase(parts.extension, ".dbx")) {
            if (!ownTrash) Add(StoreKind::Outlook, path, path);
        } else if (IsMbox(path, name, siblings) && (selection_.includeTrash || !IsTrashName(name))) {
            Add(StoreKind::Mbox, path, path);
        }
    }

    // A Thunderbird folder has no extension but an index beside it; other mbox files are
    // told by their extension or by their first lines.
    bool IsMbox(const std::string& path, const std::string& name, const std::set<std::string>& siblings) const {
        if (!selection_.Has(StoreKind::Mbox)) return false;
        if (IsIndexFile(name) || HasExtension(name, ".eml") || HasExtension(name, ".emlx")) return false;
        return HasExtension(name, ".mbox") || siblings.count(name + ".msf") > 0 || LooksLikeMboxFile(path);
    }

    static bool HasFolder(const std::vector<FolderEntry>& entries, std::string_view name) {
        return std::any_of(entries.begin(), entries.end(),
                           [&](const FolderEntry& entry) { return entry.folder && entry.name == name; });
    }

    static bool HoldsFiles(const std::vector<FolderEntry>& entries, std::string_view extension) {
        return std::any_of(entries.begin(), entries.end(), [&](const FolderEntry& entry) {
            return entry.regularFile && entry.name.front() != '.' && HasExtension(entry.name, extension);
        });
    }

    void Add(StoreKind kind, const std::string& path, const std::string& label) {
        if (selection_.Has(kind)) stores_.push_back({kind, path, label});
    }

    const StoreSelection& selection_;
    ExtractionObserver& observer_;
    std::set<std::string> entered_;
    std::vector<FoundStore> stores_;
};

}  // namespace

std::string_view StoreKindName(StoreKind kind) {
    static constexpr std::string_view kNames[kStoreKindCount] = {"eudora", "outlook", "mbox",
                                                                 "maildir", "eml", "emlx"};
    return kNames[static_cast<std::size_t>(kind)];
}

StoreSelection StoreSelection::Every() {
    StoreSelection every;
    every.kinds.fill(true);
    return every;
}

bool IsTrashName(std::string_view name) {
    for (std::string_view extension : {".sbd", ".mbox"})
        if (EndsWithNoCase(name, extension)) name.remove_suffix(extension.size());
    // Maildir++ nests as ".INBOX.Trash".
    if (!name.empty() && name.front() == '.') name.remove_prefix(name.rfind('.') + 1);
    for (std::string_view trash : {"trash", "junk", "spam", "deleted", "deleted items", "deleted messages",
                                   "junk e-mail", "junk email"})
        if (EqualsNoCase(name, trash)) return true;
    return false;
}

std::vector<FoundStore> ListMailStores(const std::string& folderPath, const StoreSelection& selection,
                                       ExtractionObserver& observer) {
    return StoreFinder(selection, observer).Find(folderPath);
}

}  // namespace mirelo
