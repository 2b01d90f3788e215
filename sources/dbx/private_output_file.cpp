#include "sources/dbx/private_output_file.h"

#include <cerrno>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace mirelo {

namespace {

OutputFile Refused(const std::string& path) {
    return {nullptr, "temporary file " + path + " is not a plain file of yours"};
}

std::error_code LastCrtError() { return {errno, std::generic_category()}; }

#ifdef _WIN32
std::error_code LastSystemError() { return {static_cast<int>(GetLastError()), std::system_category()}; }
#endif

OutputFile NotOpened(const std::string& path, std::error_code reason) {
    return {nullptr, "cannot write the temporary file " + path + ": " + reason.message()};
}

}  // namespace

#ifdef _WIN32

// TEMP lies in the user's own profile here, so the owner is not checked; links (reparse
// points), folders, devices and files with more than one name are refused.
OutputFile OpenPrivateOutputFile(const std::string& path) {
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return NotOpened(path, LastSystemError());
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        info.nNumberOfLinks != 1) {
        CloseHandle(handle);
        return Refused(path);
    }
    if (!SetEndOfFile(handle)) {  // at the start of the file: empties it
        const std::error_code reason = LastSystemError();
        CloseHandle(handle);
        return NotOpened(path, reason);
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (descriptor < 0) {
        const std::error_code reason = LastCrtError();
        CloseHandle(handle);
        return NotOpened(path, reason);
    }
    std::FILE* file = _fdopen(descriptor, "wb");
    if (!file) {
        const std::error_code reason = LastCrtError();
        _close(descriptor);
        return NotOpened(path, reason);
    }
    return {std::unique_ptr<std::FILE, FileCloser>(file), {}};
}

#else

// O_NONBLOCK keeps a planted FIFO from blocking the open; it does nothing to the regular
// file that is all we go on with. A second name (hard link) would let the writing reach
// a file elsewhere, so that is refused too. The file is emptied only once it is known to
// be ours: O_TRUNC would empty whatever a planted name leads to.
OutputFile OpenPrivateOutputFile(const std::string& path) {
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        const bool notAPlainFile = errno == ELOOP || errno == EMLINK || errno == ENXIO || errno == EISDIR;
        return notAPlainFile ? Refused(path) : NotOpened(path, LastCrtError());
    }
    struct stat status;
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != geteuid() ||
        status.st_nlink != 1) {
        close(descriptor);
        return Refused(path);
    }
    std::FILE* file = ftruncate(descriptor, 0) == 0 ? fdopen(descriptor, "wb") : nullptr;
    if (!file) {
        const std::error_code reason = LastCrtError();
        close(descriptor);
        return NotOpened(path, reason);
    }
    return {std::unique_ptr<std::FILE, FileCloser>(file), {}};
}

#endif

}  // namespace mirelo
