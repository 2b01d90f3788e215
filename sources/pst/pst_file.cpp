#include "sources/pst/pst_file.h"

#include <algorithm>

#include "base/file_handle.h"
#include "base/native_path.h"
#include "sources/pst/pst_bytes.h"

namespace mirelo {

namespace {
constexpr std::size_t kAnsiHeaderSize = 512;
constexpr std::size_t kUnicodeHeaderSize = 564;
constexpr std::uint16_t kFourKibibyteForm = 36;
}  // namespace

bool LooksLikePstFile(const std::string& path) {
    const FileHandle file = OpenFile(path, "rb");
    if (!file) return false;
    char head[4];
    return std::fread(head, 1, sizeof head, file.get()) == sizeof head && std::string_view(head, 4) == "!BDN";
}

Result<PstHeader> ReadPstHeader(std::string_view bytes) {
    if (bytes.size() < kAnsiHeaderSize || bytes.substr(0, 4) != "!BDN") return Failure{"is no personal folder file"};
    const std::uint16_t version = PstLe16(bytes, 10);
    PstHeader header;
    if (version == 14 || version == 15) {
        header.form.unicode = false;
        header.recordedSize = PstLe32(bytes, 168);
        header.nodeTreeRoot = {PstLe32(bytes, 184), PstLe32(bytes, 188)};
        header.blockTreeRoot = {PstLe32(bytes, 192), PstLe32(bytes, 196)};
        header.encoding = static_cast<PstEncoding>(PstByte(bytes, 461));
    } else if (version >= 21 && version != kFourKibibyteForm) {
        if (bytes.size() < kUnicodeHeaderSize) return Failure{"is cut short in its header"};
        header.recordedSize = PstLe64(bytes, 184);
        header.nodeTreeRoot = {PstLe64(bytes, 216), PstLe64(bytes, 224)};
        header.blockTreeRoot = {PstLe64(bytes, 232), PstLe64(bytes, 240)};
        header.encoding = static_cast<PstEncoding>(PstByte(bytes, 513));
    } else {
        return Failure{"is in a form this reader cannot read (version " + std::to_string(version) + ")"};
    }
    const auto encoding = static_cast<unsigned>(header.encoding);
    if (encoding > 2)
        return Failure{"is encrypted with a key this reader does not have (method " + std::to_string(encoding) + ")"};
    return header;
}

Result<PstFile> PstFile::Open(const std::string& path) {
    const Failure notOpened{"cannot open the store"};
    PstFile file;
    file.in_.open(NativePath(path), std::ios::binary);
    if (!file.in_ || !file.in_.seekg(0, std::ios::end)) return notOpened;
    const std::streamoff end = file.in_.tellg();
    if (end < 0) return notOpened;
    file.size_ = static_cast<std::uint64_t>(end);
    file.budget_ = kBudgetTimesSize * file.size_ + kBudgetSlack;
    return file;
}

Result<std::string_view> PstFile::Read(std::uint64_t offset, std::uint64_t length) {
    if (offset > size_ || length > size_ - offset) return Failure{"lies past the end of the file"};
    if (length > budget_) return Failure{"was not read: the file leads to the same bytes again and again"};
    budget_ -= length;
    for (std::size_t i = 0; i < windows_.size(); ++i) {
        const Window& window = windows_[i];
        if (offset >= window.at && offset + length <= window.at + window.bytes.size()) {
            lastUsed_ = i;
            return std::string_view(window.bytes).substr(static_cast<std::size_t>(offset - window.at),
                                                         static_cast<std::size_t>(length));
        }
    }
    const Failure unread{"could not be read"};
    if (length > kWindowSize) {
        large_.resize(static_cast<std::size_t>(length));
        if (!ReadFromFile(offset, large_)) return unread;
        return std::string_view(large_);
    }
    lastUsed_ = 1 - lastUsed_;  // the window used less lately is read anew
    Window& window = windows_[lastUsed_];
    window.bytes.resize(static_cast<std::size_t>(std::min(kWindowSize, size_ - offset)));
    window.at = offset;
    if (!ReadFromFile(offset, window.bytes)) {
        window.bytes.clear();
        return unread;
    }
    return std::string_view(window.bytes).substr(0, static_cast<std::size_t>(length));
}

bool PstFile::ReadFromFile(std::uint64_t offset, std::string& into) {
    in_.clear();
    return in_.seekg(static_cast<std::streamoff>(offset)) &&
           in_.read(into.data(), static_cast<std::streamsize>(into.size()));
}

}  // namespace mirelo
