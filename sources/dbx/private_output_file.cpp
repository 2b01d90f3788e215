#include "sources/dbx/private_output_file.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#endif

namespace mirelo {

namespace {

OutputFile Refused(const std::string& path) {
    return {nullptr, "temporary file " + path + " is not a plain file of yours"};
}

OutputFile NotOpened(const std::string& path) { return {nullptr, "cannot write the temporary file " + path}; }

}  // namespace

#ifdef _WIN32

// TEMP lies in the user's own profile here, so the owner is not checked; links (reparse
// points), folders, devices and files with more than one name are refused.
OutputFile OpenPrivateOutputFile(const std::string& path) {
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return NotOpened(path);
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        info.nNumberOfLinks != 1) {
        CloseHandle(handle);
        return Refused(path);
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (descriptor < 0) {
        CloseHandle(handle);
        return NotOpened(path);
    }
    std::FILE* file = _fdopen(descriptor, "wb");
    if (!file) {
        _close(descriptor);
        return NotOpened(path);
    }
    return {std::unique_ptr<std::FILE, FileCloser>(file), {}};
}

bool EndFileHere(std::FILE* file) { return std::fflush(file) == 0 && _chsize_s(_fileno(file), _ftelli64(file)) == 0; }

#else

// O_NONBLOCK keeps a planted FIFO from blocking the open; it does nothing to the regular
// file that is all we go on with. A second name (hard link) would let the writing reach
// a file elsewhere, so that is refused too.
OutputFile OpenPrivateOutputFile(const std::string& path) {
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        const bool notAPlainFile = errno == ELOOP || errno == EMLINK || errno == ENXIO || errno == EISDIR;
        return notAPlainFile ? Refused(path) : NotOpened(path);
    }
    struct stat status;
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != geteuid() ||
        status.st_nlink != 1) {
        close(descriptor);
        return Refused(path);
    }
    std::FILE* file = fdopen(descriptor, "wb");
    if (!file) {
        close(descriptor);
        return NotOpened(path);
    }
    return {std::unique_ptr<std::FILE, FileCloser>(file), {}};
}

bool EndFileHere(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
    const off_t end = ftello(file);
    return end >= 0 && ftruncate(fileno(file), end) == 0;
}

#endif

}  // namespace mirelo
