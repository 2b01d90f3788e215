#include "base/whole_file.h"

#include <cerrno>

#include "base/file_handle.h"
#include "base/native_path.h"

namespace mirelo {

Result<std::string> ReadWholeFile(const std::string& path) {
    const FileHandle file = OpenFile(path, "rb");
    if (!file) return SystemFailure("cannot read " + path, errno);
    std::string bytes;
    char block[1 << 16];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, file.get())) > 0;) bytes.append(block, got);
    if (std::ferror(file.get())) return SystemFailure("cannot read " + path, errno);
    return bytes;
}

}  // namespace mirelo
