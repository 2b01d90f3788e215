#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

#include "base/result.h"
#include "sources/pst/pst_encoding.h"

namespace mirelo {

// Where the two forms put what a reader needs: the 97-2002 form with 32-bit ids and
// offsets, the 2003-and-later one with 64-bit ids.
struct PstForm {
    bool unicode = true;

    std::size_t IdSize() const { return unicode ? 8 : 4; }
    std::size_t PageEntriesEnd() const { return unicode ? 488 : 496; }  // then cEnt, cEntMax, cbEnt, cLevel
    std::size_t PageTrailerAt() const { return unicode ? 496 : 500; }
    std::size_t PageIdAt() const { return 504; }
    std::size_t PageCrcAt() const { return unicode ? 500 : 508; }
    std::size_t BlockCrcAt() const { return unicode ? 4 : 8; }  // in the block trailer
    std::size_t BlockTrailerSize() const { return unicode ? 16 : 12; }
    std::size_t BlockIdAt() const { return unicode ? 8 : 4; }  // in the block trailer
    std::size_t SubnodeEntriesAt() const { return unicode ? 8 : 4; }
};

// A page reference: its id and its file offset.
struct PstPageRef {
    std::uint64_t id = 0;
    std::uint64_t offset = 0;
};

struct PstHeader {
    PstForm form;
    PstEncoding encoding = PstEncoding::None;
    PstPageRef nodeTreeRoot;
    PstPageRef blockTreeRoot;
    std::uint64_t recordedSize = 0;  // what the writer recorded; more than the file holds means a cut file
};

inline constexpr std::size_t kPstPageSize = 512;

// Whether the file starts as a personal folder file does, whatever its name.
bool LooksLikePstFile(const std::string& path);

// The file's header; fails for a file that is no personal folder file or one in a form
// or encoding this reader cannot read.
Result<PstHeader> ReadPstHeader(std::string_view bytes);

// A personal folder file's bytes, read where asked and only inside the file. A sound file
// has each block read about once; a file read over several times means that its trees
// keep leading to the same blocks, and reading stops there, so that such a file costs
// no more time than a few readings of its size.
class PstFile {
public:
    static Result<PstFile> Open(const std::string& path);
    std::uint64_t Size() const { return size_; }
    // The bytes stay valid until the next read.
    Result<std::string_view> Read(std::uint64_t offset, std::uint64_t length);

private:
    static constexpr std::uint64_t kBudgetTimesSize = 4;
    static constexpr std::uint64_t kBudgetSlack = 1024 * 1024;
    // Blocks are mostly read in the order they lie in the file: reading a window ahead
    // spares the system calls of each. A tree's walk goes back and forth between its index
    // pages and its leaves, which lie apart: a second window spares reading each again.
    static constexpr std::uint64_t kWindowSize = 64 * 1024;
    struct Window {
        std::string bytes;
        std::uint64_t at = 0;
    };

    bool ReadFromFile(std::uint64_t offset, std::string& into);

    std::ifstream in_;
    std::uint64_t size_ = 0;
    std::uint64_t budget_ = 0;
    std::array<Window, 2> windows_;
    std::size_t lastUsed_ = 0;
    std::string large_;  // what is longer than a window
};

}  // namespace mirelo
