#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace mirelo::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes bytes to a file below the folder, making its parent folders; returns its path.
    // Both are UTF-8, and the file is made as the program opens files ("Old.", "AUX.mbx").
    std::string Write(const std::string& relative, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

std::string ReadFileBytes(const std::filesystem::path& path);

// The path with each '/' written as the system's separator, as the walk writes paths.
std::string Native(std::string path);

// A symbolic link to a file or folder; false where none can be made (MinGW's std::filesystem
// makes none, Windows' own call does).
bool MakeLink(const std::string& target, const std::string& link, bool folder = false);

}  // namespace mirelo::testing
