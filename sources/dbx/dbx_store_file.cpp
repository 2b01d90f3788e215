#include "sources/dbx/dbx_store_file.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace mirelo {

namespace {
// A sound store has every object read once. Reading the file twice over means that
// pointers keep leading back into objects already read (a tree listing one message again
// and again, blocks overlapping each other); stopping there keeps such a store from taking
// time and output out of proportion to its size.
constexpr std::uint64_t kBudgetTimesSize = 2;
constexpr std::uint64_t kBudgetSlack = 64 * 1024;
}  // namespace

std::string_view Describe(ReadResult result) {
    switch (result) {
        case ReadResult::OutsideFile: return "lies past the end of the store";
        case ReadResult::OverBudget: return "was not read: the store leads to the same bytes again and again";
        default: return "could not be read";
    }
}

std::string ObjectName(std::string_view what, std::uint64_t position) {
    char hex[16];
    const auto end = std::to_chars(hex, hex + sizeof hex, position, 16).ptr;
    std::string name(what);
    name += " at 0x";
    name.append(hex, end);
    return name;
}

DbxStoreFile::DbxStoreFile() : pages_(std::make_unique_for_overwrite<char[]>(kPageSize * kPageSlots)) { pageInSlot_.fill(kNoPage); }

bool DbxStoreFile::Open(const std::string& path) {
    in_.open(path, std::ios::binary);
    if (!in_ || !in_.seekg(0, std::ios::end)) return false;
    const std::streamoff end = in_.tellg();
    if (end < 0) return false;
    size_ = static_cast<std::uint64_t>(end);
    budget_ = kBudgetTimesSize * size_ + kBudgetSlack;
    return true;
}

ReadResult DbxStoreFile::Read(std::uint64_t position, std::span<char> out) {
    if (position > size_ || out.size() > size_ - position) return ReadResult::OutsideFile;
    if (out.size() > budget_) return ReadResult::OverBudget;
    budget_ -= out.size();

    std::size_t done = 0;
    while (done < out.size()) {
        const std::uint64_t at = position + done;
        const std::uint64_t page = at / kPageSize;
        const std::size_t slot = static_cast<std::size_t>(page % kPageSlots);
        if (pageInSlot_[slot] != page && !LoadPage(page, slot)) return ReadResult::Failed;
        const std::size_t offset = static_cast<std::size_t>(at % kPageSize);
        const std::size_t n = std::min(kPageSize - offset, out.size() - done);
        std::memcpy(out.data() + done, pages_.get() + slot * kPageSize + offset, n);
        done += n;
    }
    return ReadResult::Ok;
}

bool DbxStoreFile::LoadPage(std::uint64_t page, std::size_t slot) {
    const std::uint64_t start = page * kPageSize;
    const auto length = static_cast<std::streamsize>(std::min<std::uint64_t>(kPageSize, size_ - start));
    pageInSlot_[slot] = kNoPage;
    in_.clear();
    if (!in_.seekg(static_cast<std::streamoff>(start)) ||
        !in_.read(pages_.get() + slot * kPageSize, length))
        return false;  // the file shrank, or the disk failed
    pageInSlot_[slot] = page;
    return true;
}

}  // namespace mirelo
