#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/result.h"

namespace mirelo {

struct FolderEntry {
    std::string name;
    bool folder = false;
    bool link = false;  // a symbolic link, or on Windows any reparse point (a junction too)
    bool regularFile = false;
};

// The entries of one folder, and why the listing broke off when it did: entries then holds
// those listed before.
struct FolderEntries {
    std::vector<FolderEntry> entries;
    std::optional<Failure> brokeOff;
};

// Every entry of the folder ("" is the current folder), read before the folder is closed
// again: a walk that kept each level open could not go deeper than the open-file limit.
// They come in NTFS's order (ListsBefore) on every system, whatever order the file system
// yields. Fails ("folder cannot be read", with the system's reason and code) when not one
// entry could be listed; a listing that broke off after some says "folder listing ended
// early". Windows lists through FindFirstFileExW itself, since MinGW's std::filesystem
// cannot list a folder whose path is 260 characters or longer.
Result<FolderEntries> ListFolderEntries(const std::string& folder);

// Fails as ListFolderEntries would when the folder cannot be opened for listing, without
// reading its entries.
Result<> CheckFolderListable(const std::string& folder);

// The folder's path with every link resolved; fails when it cannot be told.
Result<std::string> RealFolderPath(const std::string& folder);

}  // namespace mirelo
