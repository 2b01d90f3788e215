#include "sources/store_detection.h"

#include <algorithm>
#include <set>
#include <system_error>

#include "base/ascii.h"
#include "sources/walker.h"
#include "sources/mbox/mbox_file.h"
#include "sources/pst/pst_file.h"
#include "base/path_parts.h"

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

// Passes over the entries whose names begin with a full stop, and the Trash mailbox.
class StoreFileLister : public WalkVisitor {
public:
    StoreFileLister(StoreKind kind, std::string_view extension) : kind_(kind), extension_(extension) {}

    WalkDecision Visit(const std::string& folder, const FolderEntry& entry) override {
        const std::string& name = entry.name;
        if (name.empty() || name.front() == '.') return WalkDecision::Skip;
        if (entry.folder) return WalkDecision::Continue;
        const PathParts file = SplitPath(name);
        // A pipe or device by a mailbox's name would block or never end.
        if (EqualsNoCase(file.extension, extension_) && !EqualsNoCase(file.name, "trash") && entry.regularFile)
            stores_.push_back({kind_, folder + name, folder + name});
        return WalkDecision::Continue;
    }

    std::vector<FoundStore> Take() { return std::move(stores_); }

private:
    StoreKind kind_;
    std::string_view extension_;
    std::vector<FoundStore> stores_;
};

class StoreFinder : public WalkVisitor {
public:
    explicit StoreFinder(const StoreSelection& selection) : selection_(selection) {}

    std::vector<FoundStore> Take() { return std::move(stores_); }

    // A folder's own messages (Maildir, .eml, .emlx) are one store each, before its entries.
    WalkDecision EnterFolder(const std::string& folder, const std::vector<FolderEntry>& entries) override {
        const std::string label = WithoutTrailingSeparator(folder);
        const PathParts parts = SplitPath(label);
        // The nearest "*.mbox" folder around a folder labels the Apple Mail messages below it.
        std::string appleMailbox = folders_.empty() ? std::string() : folders_.back().appleMailbox;
        if (!folders_.empty() && EndsWithNoCase(parts.name + parts.extension, ".mbox")) appleMailbox = label;
        Folder& entered = folders_.emplace_back(Folder{{}, HasFolder(entries, "cur") && HasFolder(entries, "new"),
                                                       std::move(appleMailbox)});
        for (const FolderEntry& entry : entries) entered.names.insert(entry.name);
        if (entered.maildir) Add(StoreKind::Maildir, folder, label);
        if (HoldsFiles(entries, ".eml")) Add(StoreKind::Eml, folder, label);
        if (HoldsFiles(entries, ".emlx"))
            Add(StoreKind::Emlx, folder, entered.appleMailbox.empty() ? label : entered.appleMailbox);
        return WalkDecision::Continue;
    }

    void LeaveFolder(const std::string&) override { folders_.pop_back(); }

    WalkDecision Visit(const std::string& folder, const FolderEntry& entry) override {
        if (entry.folder) return VisitFolder(entry.name);
        if (!entry.name.empty() && entry.name.front() != '.' && entry.regularFile) VisitFile(folder, entry.name);
        return WalkDecision::Continue;
    }

private:
    WalkDecision VisitFolder(const std::string& name) {
        const bool maildir = folders_.back().maildir;
        // A Maildir's own message folders are read with it; its subfolders are ".Name".
        if (maildir && (name == "cur" || name == "new" || name == "tmp")) return WalkDecision::Skip;
        if (name.front() == '.' && !maildir) return WalkDecision::Skip;
        if (!selection_.includeTrash && IsTrashName(name)) return WalkDecision::Skip;
        return WalkDecision::Continue;
    }

    void VisitFile(const std::string& folder, const std::string& name) {
        const std::string path = folder + name;
        const PathParts parts = SplitPath(name);
        // Eudora mailboxes and Outlook Express stores are taken as their own commands take them.
        const bool ownTrash = EqualsNoCase(parts.name, "trash");
        if (EqualsNoCase(parts.extension, ".mbx")) {
            if (!ownTrash) Add(StoreKind::Eudora, path, path);
        } else if (EqualsNoCase(parts.extension, ".dbx")) {
            if (!ownTrash) Add(StoreKind::Outlook, path, path);
        } else if (IsPst(path, name)) {
            if (selection_.includeTrash || !IsTrashName(parts.name)) Add(StoreKind::Pst, path, path);
        } else if (IsMbox(path, name) && (selection_.includeTrash || !IsTrashName(name))) {
            Add(StoreKind::Mbox, path, path);
        }
    }

    // Outlook's files are told by their signature, as a renamed or extensionless copy
    // is read all the same; the files that name another kind are never opened for it.
    bool IsPst(const std::string& path, const std::string& name) const {
        if (!selection_.Has(StoreKind::Pst) || IsIndexFile(name)) return false;
        for (const char* other : {".eml", ".emlx", ".mbox"})
            if (HasExtension(name, other)) return false;
        return folders_.back().names.count(name + ".msf") == 0 && LooksLikePstFile(path);
    }

    // A Thunderbird folder has no extension but an index beside it; other mbox files are
    // told by their extension or by their first lines, which are read only when needed.
    bool IsMbox(const std::string& path, const std::string& name) const {
        if (!selection_.Has(StoreKind::Mbox)) return false;
        if (IsIndexFile(name) || HasExtension(name, ".eml") || HasExtension(name, ".emlx")) return false;
        return HasExtension(name, ".mbox") || folders_.back().names.count(name + ".msf") > 0 || LooksLikeMboxFile(path);
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

    // What the folders being gone through, outermost first, tell their entries.
    struct Folder {
        std::set<std::string> names;
        bool maildir;
        std::string appleMailbox;
    };

    const StoreSelection& selection_;
    std::vector<Folder> folders_;
    std::vector<FoundStore> stores_;
};

}  // namespace

std::string_view StoreKindName(StoreKind kind) {
    static constexpr std::string_view kNames[kStoreKindCount] = {"eudora", "outlook", "mbox",
                                                                 "maildir", "eml", "emlx", "pst"};
    return kNames[static_cast<std::size_t>(kind)];
}

StoreSelection StoreSelection::Every() {
    StoreSelection every;
    every.kinds.fill(true);
    return every;
}

namespace {

bool IsTrashFolderName(std::string_view name) {
    for (std::string_view trash : {"trash", "junk", "spam", "deleted", "deleted items", "deleted messages",
                                   "junk e-mail", "junk email"})
        if (EqualsNoCase(name, trash)) return true;
    return false;
}

}  // namespace

bool IsTrashName(std::string_view name) {
    for (std::string_view extension : {".sbd", ".mbox"})
        if (EndsWithNoCase(name, extension)) name.remove_suffix(extension.size());
    if (name.empty() || name.front() != '.') return IsTrashFolderName(name);
    // A Maildir++ folder names its parents (".INBOX.Trash"), and a folder below a trash
    // folder (".Trash.2019") is trash too.
    for (std::size_t start = 1; start <= name.size();) {
        const std::size_t end = std::min(name.find('.', start), name.size());
        if (IsTrashFolderName(name.substr(start, end - start))) return true;
        start = end + 1;
    }
    return false;
}

std::vector<FoundStore> ListMailStores(const std::string& folderPath, const StoreSelection& selection,
                                       ExtractionObserver& observer) {
    StoreFinder finder(selection);
    WalkFolders(folderPath, finder, observer);
    return finder.Take();
}

std::vector<FoundStore> ListStoreFiles(const std::string& folderPath, StoreKind kind, ExtractionObserver& observer) {
    StoreFileLister lister(kind, kind == StoreKind::Outlook ? ".dbx" : ".mbx");
    WalkFolders(folderPath, lister, observer);
    return lister.Take();
}

}  // namespace mirelo
