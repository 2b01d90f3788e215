#include "sources/folder_listing.h"

#include <algorithm>
#include <memory>
#include <system_error>

#include "base/native_path.h"
#include "sources/name_order.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <filesystem>
#endif

namespace mirelo {

namespace {

// The entries of one folder in the order the system yields them.
class FolderListing {
public:
    explicit FolderListing(const std::string& folder);
    ~FolderListing();
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    // Why the folder could not be listed, or why its listing ended early.
    const std::error_code& Error() const { return error_; }
    bool Next(FolderEntry& entry);

private:
    std::error_code error_;
#ifdef _WIN32
    HANDLE find_ = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW data_{};
    bool pending_ = false;
#else
    std::filesystem::directory_iterator entries_;
#endif
};

Failure Unreadable(std::error_code error) { return SystemFailure("folder cannot be read", error); }

}  // namespace

Result<FolderEntries> ListFolderEntries(const std::string& folder) {
    FolderEntries listed;
    FolderListing listing(folder);
    for (FolderEntry entry; listing.Next(entry);) listed.entries.push_back(entry);
    if (const std::error_code error = listing.Error()) {
        if (listed.entries.empty()) return Unreadable(error);
        listed.brokeOff = SystemFailure("folder listing ended early", error);
    }
    std::sort(listed.entries.begin(), listed.entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return ListsBefore(a.name, b.name); });
    return listed;
}

Result<> CheckFolderListable(const std::string& folder) {
    if (const FolderListing listing(folder); listing.Error()) return Unreadable(listing.Error());
    return {};
}

#ifdef _WIN32

namespace {

// The errors that callers tell apart, in the portable codes that POSIX systems give.
std::error_code ListingError(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME: return std::make_error_code(std::errc::no_such_file_or_directory);
        case ERROR_DIRECTORY: return std::make_error_code(std::errc::not_a_directory);
        case ERROR_ACCESS_DENIED: return std::make_error_code(std::errc::permission_denied);
        default: return {static_cast<int>(code), std::system_category()};
    }
}

std::wstring SearchPattern(const std::filesystem::path& folder) {
    std::wstring pattern = folder.native();
    if (pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    return pattern + L'*';
}

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};

}  // namespace

FolderListing::FolderListing(const std::string& folder) {
    const std::filesystem::path native = NativePath(folder.empty() ? "." : folder);
    const DWORD attributes = GetFileAttributesW(native.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error_ = ListingError(GetLastError());
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        error_ = std::make_error_code(std::errc::not_a_directory);
        return;
    }
    find_ = FindFirstFileExW(SearchPattern(native).c_str(), FindExInfoBasic, &data_, FindExSearchNameMatch, nullptr,
                             FIND_FIRST_EX_LARGE_FETCH);
    if (find_ == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_NOT_FOUND) error_ = ListingError(GetLastError());
    pending_ = find_ != INVALID_HANDLE_VALUE;
}

FolderListing::~FolderListing() {
    if (find_ != INVALID_HANDLE_VALUE) FindClose(find_);
}

bool FolderListing::Next(FolderEntry& entry) {
    // "." and ".." are left out, as on other systems: a walk that enters folders whose
    // names start with a full stop would otherwise go round for ever.
    do {
        if (!pending_) return false;
        entry.name = PathText(data_.cFileName);
        entry.folder = (data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.link = (data_.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entry.regularFile = !entry.folder && (data_.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0;
        pending_ = FindNextFileW(find_, &data_) != 0;
        if (!pending_ && GetLastError() != ERROR_NO_MORE_FILES) error_ = ListingError(GetLastError());
    } while (entry.name == "." || entry.name == "..");
    return true;
}

Result<std::string> RealFolderPath(const std::string& folder) {
    const auto unresolved = [] {
        return SystemFailure("cannot resolve the folder's path",
                             std::error_code(static_cast<int>(GetLastError()), std::system_category()));
    };
    const HANDLE opened = CreateFileW(NativePath(folder.empty() ? "." : folder).c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return unresolved();
    const std::unique_ptr<void, HandleCloser> handle(opened);
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = GetFinalPathNameByHandleW(handle.get(), path.data(), static_cast<DWORD>(path.size()), 0);
        if (size == 0) return unresolved();
        if (size < path.size()) {
            path.resize(size);
            return PathText(path);
        }
        path.resize(size);
    }
}

#else

namespace fs = std::filesystem;

FolderListing::FolderListing(const std::string& folder)
    : entries_(folder.empty() ? fs::path(".") : fs::path(folder), error_) {}

FolderListing::~FolderListing() = default;

bool FolderListing::Next(FolderEntry& entry) {
    if (error_ || entries_ == fs::directory_iterator()) return false;
    std::error_code ignored;
    entry.name = PathText(entries_->path().filename());
    entry.folder = entries_->is_directory(ignored);
    entry.link = entries_->is_symlink(ignored);
    entry.regularFile = entries_->is_regular_file(ignored);
    entries_.increment(error_);
    return true;
}

Result<std::string> RealFolderPath(const std::string& folder) {
    std::error_code error;
    const fs::path real = fs::canonical(folder.empty() ? fs::path(".") : fs::path(folder), error);
    if (error) return SystemFailure("cannot resolve the folder's path", error);
    return PathText(real);
}

#endif

}  // namespace mirelo
