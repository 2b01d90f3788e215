#pragma once

#include <string>
#include <string_view>

#include "base/result.h"

namespace mirelo {

// A whole file's bytes, read into memory.
Result<std::string> ReadWholeFile(const std::string& path);

// A whole file's bytes in memory: mapped where the system can map it, so that a mailbox of
// gigabytes costs the page cache rather than the heap, else read.
class MappedFile {
public:
    static Result<MappedFile> Open(const std::string& path);

    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    std::string_view Bytes() const { return mapped_ ? std::string_view(mapped_, size_) : std::string_view(read_); }

private:
    MappedFile() = default;
    void Unmap();

    const char* mapped_ = nullptr;
    std::size_t size_ = 0;
    std::string read_;  // the bytes of a file that could not be mapped
};

}  // namespace mirelo
