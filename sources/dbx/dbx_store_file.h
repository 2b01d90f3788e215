#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace mirelo {

enum class ReadResult { Ok, OutsideFile, OverBudget, Failed };

// Why a read failed, worded to follow the name of the object that was to be read.
std::string_view Describe(ReadResult result);

// "text block at 0x4f20", for problem reports.
std::string ObjectName(std::string_view what, std::uint64_t position);

// One store's bytes, shared by every reader object of that store. Objects are small and
// mostly close together, so reads go through a small page cache: a store costs a few
// large system calls rather than one per object.
class DbxStoreFile {
public:
    DbxStoreFile();

    bool Open(const std::string& path);
    std::uint64_t Size() const { return size_; }

    // Fills out with the bytes from position on; fails when they do not all lie in the file.
    ReadResult Read(std::uint64_t position, std::span<char> out);

private:
    static constexpr std::size_t kPageSize = 32 * 1024;
    static constexpr std::size_t kPageSlots = 32;
    static constexpr std::uint64_t kNoPage = ~std::uint64_t{0};

    bool LoadPage(std::uint64_t page, std::size_t slot);

    std::ifstream in_;
    std::uint64_t size_ = 0;
    std::uint64_t budget_ = 0;
    std::unique_ptr<char[]> pages_;  // left unfilled: a small store touches few pages
    std::array<std::uint64_t, kPageSlots> pageInSlot_;
};

}  // namespace mirelo
