#include "base/mapped_file.h"

#include <cerrno>
#include <utility>

#include "base/file_handle.h"
#include "base/native_path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace mirelo {

namespace {

#ifdef _WIN32
// A view of the whole file, or null when it cannot be had.
const char* MapWhole(const std::string& path, std::size_t& size) {
    const HANDLE file = CreateFileW(NativePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER length{};
    const char* view = nullptr;
    if (GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &length) && length.QuadPart > 0 &&
        static_cast<unsigned long long>(length.QuadPart) <= SIZE_MAX) {
        if (const HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr)) {
            view = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
            CloseHandle(mapping);
            size = static_cast<std::size_t>(length.QuadPart);
        }
    }
    CloseHandle(file);
    return view;
}

void UnmapWhole(const char* view, std::size_t) { UnmapViewOfFile(view); }
#else
const char* MapWhole(const std::string& path, std::size_t& size) {
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return nullptr;
    struct stat status {};
    void* view = MAP_FAILED;
    if (fstat(file, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        size = static_cast<std::size_t>(status.st_size);
        view = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file, 0);
        if (view != MAP_FAILED) madvise(view, size, MADV_SEQUENTIAL);
    }
    close(file);
    return view == MAP_FAILED ? nullptr : static_cast<const char*>(view);
}

void UnmapWhole(const char* view, std::size_t size) { munmap(const_cast<char*>(view), size); }
#endif

}  // namespace

Result<std::string> ReadWholeFile(const std::string& path) {
    const FileHandle file = OpenFile(path, "rb");
    if (!file) return SystemFailure("cannot read " + path, errno);
    std::string bytes;
    char block[1 << 16];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, file.get())) > 0;) bytes.append(block, got);
    if (std::ferror(file.get())) return SystemFailure("cannot read " + path, errno);
    return bytes;
}

Result<MappedFile> MappedFile::Open(const std::string& path) {
    MappedFile file;
    file.mapped_ = MapWhole(path, file.size_);
    if (file.mapped_) return file;
    // Pipes, devices and files the system will not map are read as they come.
    Result<std::string> read = ReadWholeFile(path);
    if (!read.Ok()) return read.Error();
    file.read_ = std::move(read.Value());
    return file;
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : mapped_(std::exchange(other.mapped_, nullptr)), size_(std::exchange(other.size_, 0)), read_(std::move(other.read_)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        Unmap();
        mapped_ = std::exchange(other.mapped_, nullptr);
        size_ = std::exchange(other.size_, 0);
        read_ = std::move(other.read_);
    }
    return *this;
}

MappedFile::~MappedFile() { Unmap(); }

void MappedFile::Unmap() {
    if (mapped_) UnmapWhole(mapped_, size_);
    mapped_ = nullptr;
}

}  // namespace mirelo
