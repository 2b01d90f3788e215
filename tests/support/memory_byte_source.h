#pragma once

#include <algorithm>
#include <cstring>
#include <string_view>

#include "scan/text_mode_reader.h"

namespace mirelo::testing {

// Bytes held in memory, handed out as a file's would be.
class MemoryByteSource : public ByteSource {
public:
    explicit MemoryByteSource(std::string_view bytes) : rest_(bytes) {}

    std::size_t Read(char* buffer, std::size_t capacity) override {
        const std::size_t n = std::min(capacity, rest_.size());
        std::memcpy(buffer, rest_.data(), n);
        rest_.remove_prefix(n);
        return n;
    }

private:
    std::string_view rest_;
};

}  // namespace mirelo::testing
