#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "base/file_handle.h"

namespace mirelo {

// Paths are UTF-8 text inside the core on every system, so the labels in the CSV are the
// same bytes everywhere and no name is lost to a code page. They meet the file system only
// through these functions: on Windows as UTF-16 in the long form (\\?\C:\... or
// \\?\UNC\server\share\...), made absolute against the current folder by hand, which the
// system takes as written: no 260-character limit, and "Old." or "AUX.mbx" name the folder
// and the file they are; only a device name on its own ("NUL") stays the device. Elsewhere
// the bytes are taken as they are.
std::filesystem::path NativePath(const std::string& path);

// The path made absolute against the current folder, for reports; "" stays "".
std::string AbsolutePath(const std::string& path);

// A name or path from the file system as the core's text.
std::string PathText(const std::filesystem::path& path);

// On Windows a drive-relative path ("C:mail", "C:") names a place in that drive's current
// folder, which a root text cannot keep ("C:" with a separator added is the drive's root);
// such a path comes back absolute, any other as it is.
std::string AbsoluteIfDriveRelative(const std::string& path);

// The file's size, or 0 when it cannot be told.
std::uint64_t FileSizeOrZero(const std::string& path);

// std::fopen for a path in the core's text.
FileHandle OpenFile(const std::string& path, const char* mode);

}  // namespace mirelo
