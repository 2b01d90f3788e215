#include "base/path_parts.h"

namespace mirelo {

PathParts SplitPath(std::string_view path) {
    PathParts parts;
#ifdef _WIN32
    if (path.size() >= 2 && path[1] == ':') {
        parts.drive = path.substr(0, 2);
        path.remove_prefix(2);
    }
#endif
    std::size_t nameStart = 0;
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsPathSeparator(path[i - 1])) {
            nameStart = i;
            break;
        }
    }
    parts.directory = path.substr(0, nameStart);
    const std::string_view rest = path.substr(nameStart);
    const std::size_t dot = rest.rfind('.');
    parts.name = rest.substr(0, dot);
    if (dot != std::string_view::npos) parts.extension = rest.substr(dot);
    return parts;
}

std::string FolderOf(std::string_view path) {
    const PathParts parts = SplitPath(path);
    return parts.drive + parts.directory;
}

std::string JoinPath(const PathParts& parts) {
    std::string path = parts.drive;
    if (!parts.directory.empty()) {
        path += parts.directory;
        if (!IsPathSeparator(path.back())) path += kPathSeparator;
    }
    path += parts.name;
    if (!parts.extension.empty()) {
        if (parts.extension.front() != '.') path += '.';
        path += parts.extension;
    }
    return path;
}

std::string WithoutPrefix(std::string text, std::string_view prefix) {
    if (std::string_view(text).substr(0, prefix.size()) == prefix) text.erase(0, prefix.size());
    return text;
}

std::string WithExtensionIfNone(const std::string& path, std::string_view extension) {
    PathParts parts = SplitPath(path);
    if (parts.extension.empty()) parts.extension = extension;
    return JoinPath(parts);
}

}  // namespace mirelo
