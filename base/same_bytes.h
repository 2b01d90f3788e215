#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace mirelo {

// Whether the size bytes at a and at b are the same: a word or two at a time, without the
// call that memcmp costs, which a lookup of a short text would spend most of its time in.
inline bool SameBytes(const char* a, const char* b, std::size_t size) {
    const auto load = [](const char* bytes, auto word) {
        std::memcpy(&word, bytes, sizeof word);
        return word;
    };
    constexpr std::uint64_t kWord = 0;
    constexpr std::uint32_t kHalfWord = 0;
    if (size >= sizeof kWord) {
        for (std::size_t i = 0; i + sizeof kWord < size; i += sizeof kWord)
            if (load(a + i, kWord) != load(b + i, kWord)) return false;
        // The last word overlaps the one before when the size is no multiple of eight.
        return load(a + size - sizeof kWord, kWord) == load(b + size - sizeof kWord, kWord);
    }
    if (size >= sizeof kHalfWord)
        return load(a, kHalfWord) == load(b, kHalfWord) &&
               load(a + size - sizeof kHalfWord, kHalfWord) == load(b + size - sizeof kHalfWord, kHalfWord);
    for (std::size_t i = 0; i < size; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

}  // namespace mirelo
