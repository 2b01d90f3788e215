#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace mirelo {

// "text block at 0x4f20", for problem reports.
std::string ObjectName(std::string_view what, std::uint64_t position);

// One store's bytes, shared by every reader object of that store. Objects are small and
// mostly close together, so reads go through a small cache of large pages: a store costs
// a few large system calls rather than one per object, and bytes are handed out where
// they lie in the cache rather than copied.
class DbxStoreFile {
public:
    static Result<DbxStoreFile> Open(const std::string& path);
    std::uint64_t Size() const { return size_; }

    // The length bytes from position on, valid until the next read; fails when they do
    // not all lie in the file. The failure's message is worded to follow the name of the
    // object that was to be read.
    Result<std::string_view> Read(std::uint64_t position, std::uint64_t length);

private:
    static constexpr std::size_t kPageSize = 64 * 1024;
    static constexpr std::size_t kPageSlots = 16;
    static constexpr std::uint64_t kNoPage = ~std::uint64_t{0};

    DbxStoreFile();

    // The page holding position, loaded into its slot when not there yet; null on failure.
    const char* Page(std::uint64_t position);

    std::ifstream in_;
    std::uint64_t size_ = 0;
    std::uint64_t budget_ = 0;
    std::unique_ptr<char[]> pages_;  // left unfilled: a small store touches few slots
    std::array<std::uint64_t, kPageSlots> pageInSlot_;
    std::vector<char> straddling_;  // a read that runs over a page's end is gathered here
};

}  // namespace mirelo
