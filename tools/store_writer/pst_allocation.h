#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mirelo::testing {

// Where a personal folder file's blocks and pages go, and the allocation maps that tell
// readers which 64-byte units are in use. The maps sit at fixed offsets, each over the
// range that follows it; whatever is placed steps over them.
class PstAllocation {
public:
    explicit PstAllocation(bool ansi) : ansi_(ansi) {}

    // Where the first block goes: after the first map.
    static std::uint64_t FirstFree();

    // Pads the file to where `size` bytes aligned on `alignment` go next and marks them in
    // use; the caller appends them there.
    std::uint64_t Place(std::string& bytes, std::size_t size, std::size_t alignment);

    struct Summary {
        std::uint64_t lastMap = 0;    // offset of the last map page
        std::uint64_t freeBytes = 0;  // what the maps leave free
    };
    // Fills the file to the end of its last map's range and writes every map page.
    Summary WriteMaps(std::string& bytes) const;

private:
    void MarkUsed(std::uint64_t at, std::uint64_t size);
    void WriteMapPage(std::string& bytes, std::uint64_t at, std::uint8_t type, const std::string& bits) const;

    bool ansi_;
    std::vector<bool> used_;  // one per 64-byte unit from offset 0
};

}  // namespace mirelo::testing
