#pragma once

#include <string>
#include <string_view>

namespace mirelo {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// On Windows a slash splits paths too.
constexpr bool IsPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

// A path in four parts: drive ("C:", Windows only), directory (up to and including the
// last separator), file name, extension (from the name's last full stop, included).
struct PathParts {
    std::string drive;
    std::string directory;
    std::string name;
    std::string extension;
};

PathParts SplitPath(std::string_view path);

// The folder a path denotes: its drive and directory. A path without a trailing separator
// therefore denotes its parent folder.
std::string FolderOf(std::string_view path);

// Adds a separator after a directory and a full stop before an extension when missing.
std::string JoinPath(const PathParts& parts);

// The path, with extension added when its last component has none.
std::string WithExtensionIfNone(const std::string& path, std::string_view extension);

// The text without prefix when it begins with it (case-sensitive); else the text as it is.
// Only a leading folder is shortened: "Team/inbox.mbox" under "m" stays whole.
std::string WithoutPrefix(std::string text, std::string_view prefix);

}  // namespace mirelo
