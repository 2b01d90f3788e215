#include "base/native_path.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace mirelo {

#ifdef _WIN32

namespace {

// Room for a file name after a folder's path, as CreateDirectory keeps.
constexpr std::size_t kShortPathLimit = MAX_PATH - 12;

std::wstring Widened(const std::string& text) {
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

// The long form skips the system's own clean-up of a path, so it is made from the full
// path that the system works out: separators as backslashes, "." and ".." resolved, a
// drive-relative path (C:mail) taken from that drive's current folder.
std::wstring LongForm(const std::wstring& path) {
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    full.resize(GetFullPathNameW(path.c_str(), size, full.data(), nullptr));
    if (full.size() < kShortPathLimit) return path;
    if (full.size() > 2 && full[1] == L':' && full[2] == L'\\') return L"\\\\?\\" + full;
    if (full.rfind(L"\\\\", 0) == 0 && full.rfind(L"\\\\?\\", 0) != 0 && full.rfind(L"\\\\.\\", 0) != 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return path;
}

}  // namespace

std::filesystem::path NativePath(const std::string& path) { return LongForm(Widened(path)); }

std::string PathText(const std::filesystem::path& path) {
    const std::wstring& wide = path.native();
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}

std::string AbsoluteIfDriveRelative(const std::string& path) {
    const bool driveRelative =
        path.size() >= 2 && path[1] == ':' && (path.size() == 2 || (path[2] != '\\' && path[2] != '/'));
    if (!driveRelative) return path;
    const std::wstring wide = Widened(path);
    std::wstring full(GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr), L'\0');
    full.resize(GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr));
    return full.empty() ? path : PathText(full);
}

FileHandle OpenFile(const std::string& path, const char* mode) {
    return FileHandle(_wfopen(NativePath(path).c_str(), Widened(mode).c_str()));
}

#else

std::filesystem::path NativePath(const std::string& path) { return path; }

std::string PathText(const std::filesystem::path& path) { return path.native(); }

std::string AbsoluteIfDriveRelative(const std::string& path) { return path; }

FileHandle OpenFile(const std::string& path, const char* mode) { return FileHandle(std::fopen(path.c_str(), mode)); }

#endif

}  // namespace mirelo
