#include "base/native_path.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#endif

namespace mirelo {

#ifdef _WIN32

namespace {

std::wstring Widened(const std::string& text) {
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

// The current folder in its plain form, also when it was set in the long form.
std::wstring CurrentFolder() {
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    if (folder.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + folder.substr(8);
    if (folder.rfind(L"\\\\?\\", 0) == 0) return folder.substr(4);
    return folder;
}

// "C:" or "\\server\share": the part of an absolute path that ".." never climbs above.
std::size_t RootLength(const std::wstring& path) {
    if (path.rfind(L"\\\\", 0) != 0) return 2;
    const std::size_t server = path.find(L'\\', 2);
    if (server == std::wstring::npos) return path.size();
    const std::size_t share = path.find(L'\\', server + 1);
    return share == std::wstring::npos ? path.size() : share;
}

// The path made absolute by hand, against the current folder (a drive's own current folder
// for "C:mail"), with "." and ".." resolved and empty components dropped. Names are kept
// as written: the system's own clean-up (GetFullPathNameW) would strip a trailing dot or
// space and take "AUX.mbx" for a device.
std::wstring Absolute(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    std::wstring full;
    if (path.rfind(L"\\\\", 0) == 0) {
        full = path;
    } else if (path.size() >= 2 && path[1] == L':') {
        const bool driveRelative = path.size() == 2 || path[2] != L'\\';
        if (driveRelative) {
            const std::wstring drive = path.substr(0, 2);
            std::wstring current(GetFullPathNameW(drive.c_str(), 0, nullptr, nullptr), L'\0');
            current.resize(GetFullPathNameW(drive.c_str(), static_cast<DWORD>(current.size()), current.data(), nullptr));
            full = (current.empty() ? drive : current) + L'\\' + path.substr(2);
        } else {
            full = path;
        }
    } else {
        const std::wstring current = CurrentFolder();
        full = path.front() == L'\\' ? current.substr(0, RootLength(current)) + path : current + L'\\' + path;
    }

    const std::size_t rootLength = RootLength(full);
    std::wstring resolved = full.substr(0, rootLength);
    for (std::size_t start = rootLength; start < full.size();) {
        std::size_t end = full.find(L'\\', start);
        if (end == std::wstring::npos) end = full.size();
        const std::wstring name = full.substr(start, end - start);
        if (name == L"..") {
            if (resolved.size() > rootLength) resolved.resize(resolved.rfind(L'\\'));
        } else if (!name.empty() && name != L".") {
            resolved += L'\\' + name;
        }
        start = end + 1;
    }
    if (resolved.size() == rootLength) resolved += L'\\';
    return resolved;
}

// "NUL", "CON" and their kind given on their own mean the devices, as to every Windows
// program; inside a folder ("Mail\NUL.mbx") such a name is a file like any other.
bool IsDeviceName(const std::wstring& path) {
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (_wcsicmp(path.c_str(), device) == 0) return true;
    return path.size() == 4 && (_wcsnicmp(path.c_str(), L"COM", 3) == 0 || _wcsnicmp(path.c_str(), L"LPT", 3) == 0) &&
           path[3] >= L'1' && path[3] <= L'9';
}

// The long form (\\?\C:\..., \\?\UNC\server\share\...) is taken by the system as written:
// no 260-character limit, no trailing dot or space stripped, no device names.
std::wstring LongForm(const std::wstring& path) {
    if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0 || IsDeviceName(path)) return path;
    const std::wstring full = Absolute(path);
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

}  // namespace

std::filesystem::path NativePath(const std::string& path) {
    return path.empty() ? std::filesystem::path() : std::filesystem::path(LongForm(Widened(path)));
}

std::string AbsolutePath(const std::string& path) {
    const std::wstring wide = Widened(path);
    return path.empty() || wide.rfind(L"\\\\?\\", 0) == 0 ? path : PathText(Absolute(wide));
}

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
    // Made by hand, as NativePath makes it, so that "C:Old." keeps its dot; a trailing
    // separator, which makes the path denote the folder itself, is kept too.
    std::string full = AbsolutePath(path);
    if ((path.back() == '\\' || path.back() == '/') && full.back() != '\\') full += '\\';
    return full;
}

FileHandle OpenFile(const std::string& path, const char* mode) {
    return FileHandle(_wfopen(NativePath(path).c_str(), Widened(mode).c_str()));
}

#else

std::filesystem::path NativePath(const std::string& path) { return path; }

std::string PathText(const std::filesystem::path& path) { return path.native(); }

std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full.native();
}

std::string AbsoluteIfDriveRelative(const std::string& path) { return path; }

FileHandle OpenFile(const std::string& path, const char* mode) { return FileHandle(std::fopen(path.c_str(), mode)); }

#endif

std::uint64_t FileSizeOrZero(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(NativePath(path), error);
    return error ? 0 : size;
}

}  // namespace mirelo
