#pragma once

#include <string>
#include <system_error>
#include <vector>

#include "base/native_path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <filesystem>
#endif

namespace mirelo {

struct FolderEntry {
    std::string name;
    bool folder = false;
    bool link = false;  // a symbolic link, or on Windows any reparse point (a junction too)
    bool regularFile = false;
};

// The entries of one folder ("" is the current folder), in the order the system yields
// them. Windows lists through FindFirstFileExW itself, since MinGW's std::filesystem
// cannot list a folder whose path is 260 characters or longer.
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

// Every entry of the folder, read before the folder is closed again: a walk that kept
// each level open could not go deeper than the open-file limit. They come in NTFS's order
// (ListsBefore) on every system, whatever order the file system yields. error tells why
// the listing failed or ended early.
std::vector<FolderEntry> ListFolderEntries(const std::string& folder, std::error_code& error);

// The folder's path with every link resolved, or empty when it cannot be told.
std::string RealFolderPath(const std::string& folder);

}  // namespace mirelo
