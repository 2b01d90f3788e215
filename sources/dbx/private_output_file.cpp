#include "sources/dbx/private_output_file.h"

#include <cerrno>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <memory>
#include <string>

#include "base/native_path.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace mirelo {

namespace {

Failure Refused(const std::string& path) {
    return {"temporary file " + path + " is not a plain file of yours"};
}

std::error_code LastCrtError() { return {errno, std::generic_category()}; }

#ifdef _WIN32
std::error_code LastSystemError() { return {static_cast<int>(GetLastError()), std::system_category()}; }
#endif

Failure NotOpened(const std::string& path, std::error_code reason) {
    return {"cannot write the temporary file " + path, reason.message()};
}

}  // namespace

#ifdef _WIN32

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct LocalFreer {
    void operator()(void* memory) const { LocalFree(memory); }
};

// The process token's user and its default owner for new files (the Administrators group
// for an elevated administrator); a file owned by either is ours.
struct Identity {
    std::unique_ptr<char[]> user;
    std::unique_ptr<char[]> owner;
};

std::unique_ptr<char[]> TokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
    DWORD size = 0;
    GetTokenInformation(token, kind, nullptr, 0, &size);
    auto buffer = std::make_unique<char[]>(size);
    if (size == 0 || !GetTokenInformation(token, kind, buffer.get(), size, &size)) return nullptr;
    return buffer;
}

Identity ProcessIdentity() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    const std::unique_ptr<void, HandleCloser> closer(token);
    return {TokenInformation(token, TokenUser), TokenInformation(token, TokenOwner)};
}

PSID UserSid(const Identity& identity) { return reinterpret_cast<TOKEN_USER*>(identity.user.get())->User.Sid; }

// Only the user may open the file: one entry for the user, none inherited from the folder.
std::unique_ptr<void, LocalFreer> UserOnlyDescriptor(PSID user) {
    LPWSTR sidText = nullptr;
    if (!ConvertSidToStringSidW(user, &sidText)) return nullptr;
    const std::wstring descriptor = L"D:P(A;;FA;;;" + std::wstring(sidText) + L")";
    LocalFree(sidText);
    PSECURITY_DESCRIPTOR result = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(descriptor.c_str(), SDDL_REVISION_1, &result, nullptr);
    return std::unique_ptr<void, LocalFreer>(result);
}

PACL UserOnlyAcl(PSECURITY_DESCRIPTOR descriptor) {
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL acl = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted);
    return acl;
}

bool OwnedBy(HANDLE file, const Identity& identity) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return false;
    const std::unique_ptr<void, LocalFreer> freer(descriptor);
    return EqualSid(owner, UserSid(identity)) ||
           (identity.owner && EqualSid(owner, reinterpret_cast<TOKEN_OWNER*>(identity.owner.get())->Owner));
}

bool IsPlainFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
           (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0 &&
           info.nNumberOfLinks == 1;
}

}  // namespace

// A new file is made readable by the user alone; an existing one must be a plain file
// owned by the user, and gets the same protection before it is emptied. Links and
// junctions (reparse points) are opened as themselves and refused.
Result<FileHandle> OpenPrivateOutputFile(const std::string& path) {
    const Identity identity = ProcessIdentity();
    if (!identity.user) return NotOpened(path, LastSystemError());
    const auto descriptor = UserOnlyDescriptor(UserSid(identity));
    if (!descriptor) return NotOpened(path, LastSystemError());
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    const HANDLE handle =
        CreateFileW(NativePath(path).c_str(), GENERIC_WRITE | READ_CONTROL | WRITE_DAC, FILE_SHARE_READ, &attributes,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return NotOpened(path, LastSystemError());
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    std::unique_ptr<void, HandleCloser> file(handle);
    if (!IsPlainFile(handle) || (existed && !OwnedBy(handle, identity))) return Refused(path);
    if (existed) {
        const DWORD error = SetSecurityInfo(handle, SE_FILE_OBJECT,
                                            DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                            nullptr, UserOnlyAcl(descriptor.get()), nullptr);
        if (error != ERROR_SUCCESS) return NotOpened(path, {static_cast<int>(error), std::system_category()});
    }
    if (!SetEndOfFile(handle)) return NotOpened(path, LastSystemError());  // at the start of the file: empties it

    const int fileDescriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fileDescriptor < 0) return NotOpened(path, LastCrtError());
    file.release();
    std::FILE* stream = _fdopen(fileDescriptor, "wb");
    if (!stream) {
        const std::error_code reason = LastCrtError();
        _close(fileDescriptor);
        return NotOpened(path, reason);
    }
    return FileHandle(stream);
}

#else

// O_NONBLOCK keeps a planted FIFO from blocking the open; it does nothing to the regular
// file that is all we go on with. A second name (hard link) would let the writing reach
// a file elsewhere, so that is refused too. The file is emptied only once it is known to
// be ours: O_TRUNC would empty whatever a planted name leads to.
Result<FileHandle> OpenPrivateOutputFile(const std::string& path) {
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
    return FileHandle(file);
}

#endif

}  // namespace mirelo
