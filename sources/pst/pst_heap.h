#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace mirelo {

// The records of a B-tree on a heap, leaves only, in key order.
struct PstBthRecords {
    std::size_t keySize = 0;
    std::size_t dataSize = 0;
    std::vector<std::string_view> records;  // key then data; views into the heap
};

// A heap on a node's data: items named by HIDs, one page per leaf block. It views the
// leaves, which outlive it.
class PstHeap {
public:
    // Fails when the first block is no heap of the client kind asked for.
    static Result<PstHeap> Open(const std::vector<std::string>& leaves, std::uint8_t clientSignature);

    std::uint32_t UserRoot() const { return userRoot_; }
    // The bytes of the item a HID names; fails for anything out of its page.
    Result<std::string_view> Item(std::uint32_t hid) const;
    // The leaf records of the B-tree whose header is the item at hid; keySize checked.
    Result<PstBthRecords> BthRecords(std::uint32_t hid, std::size_t keySize) const;

private:
    explicit PstHeap(const std::vector<std::string>& leaves) : leaves_(&leaves) {}

    const std::vector<std::string>* leaves_;
    std::uint32_t userRoot_ = 0;
};

}  // namespace mirelo
