#include "sources/dbx/dbx_store_file.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "base/native_path.h"

namespace mirelo {

namespace {
// A sound store has every object read once. Reading the file twice over means that
// pointers keep leading back into objects already read (a tree listing one message again
// and again, blocks overlapping each other); stopping there keeps such a store from taking
// time and output out of proportion to its size.
constexpr std::uint64_t kBudgetTimesSize = 2;
constexpr std::uint64_t kBudgetSlack = 64 * 1024;
}  // namespace

std::string ObjectName(std::string_view what, std::uint64_t position) {
    char hex[16];
    const auto end = std::to_chars(hex, hex + sizeof hex, position, 16).ptr;
    std::string name(what);
    name += " at 0x";
    name.append(hex, end);
    return name;
}

DbxStoreFile::DbxStoreFile() : pages_(std::make_unique_for_overwrite<char[]>(kPageSize * kPageSlots)) {
    pageInSlot_.fill(kNoPage);
}

Result<DbxStoreFile> DbxStoreFile::Open(const std::string& path) {
    const Failure notOpened{"cannot open the store"};
    DbxStoreFile store;
    store.in_.open(NativePath(path), std::ios::binary);
    if (!store.in_ || !store.in_.seekg(0, std::ios::end)) return notOpened;
    const std::streamoff end = store.in_.tellg();
    if (end < 0) return notOpened;
    store.size_ = static_cast<std::uint64_t>(end);
    store.budget_ = kBudgetTimesSize * store.size_ + kBudgetSlack;
    return store;
}

Result<std::string_view> DbxStoreFile::Read(std::uint64_t position, std::uint64_t length) {
    if (position > size_ || length > size_ - position) return Failure{"lies past the end of the store"};
    if (length > budget_) return Failure{"was not read: the store leads to the same bytes again and again"};
    budget_ -= length;

    const std::size_t offset = static_cast<std::size_t>(position % kPageSize);
    if (offset + length <= kPageSize) {
        const char* page = Page(position);
        if (!page) return Failure{"could not be read"};
        return std::string_view(page + offset, static_cast<std::size_t>(length));
    }
    straddling_.resize(static_cast<std::size_t>(length));
    for (std::size_t done = 0; done < straddling_.size();) {
        const std::uint64_t at = position + done;
        const char* page = Page(at);
        if (!page) return Failure{"could not be read"};
        const std::size_t from = static_cast<std::size_t>(at % kPageSize);
        const std::size_t n = std::min(kPageSize - from, straddling_.size() - done);
        std::memcpy(straddling_.data() + done, page + from, n);
        done += n;
    }
    return std::string_view(straddling_.data(), straddling_.size());
}

const char* DbxStoreFile::Page(std::uint64_t position) {
    const std::uint64_t page = position / kPageSize;
    const std::size_t slot = static_cast<std::size_t>(page % kPageSlots);
    char* bytes = pages_.get() + slot * kPageSize;
    if (pageInSlot_[slot] == page) return bytes;

    const std::uint64_t start = page * kPageSize;
    pageInSlot_[slot] = kNoPage;
    in_.clear();
    if (!in_.seekg(static_cast<std::streamoff>(start)) ||
        !in_.read(bytes, static_cast<std::streamsize>(std::min<std::uint64_t>(kPageSize, size_ - start))))
        return nullptr;  // the file shrank, or the disk failed
    pageInSlot_[slot] = page;
    return bytes;
}

}  // namespace mirelo
