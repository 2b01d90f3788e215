#pragma once

#include <cstring>
#include <string_view>

namespace mirelo {

// Where the line that starts at from ends: its first CR or LF (a lone CR ends a line in mail
// from old Macs), or the end of the bytes. Two memchr passes rather than a test of every
// byte against both, which costs several times as much on long bodies.
inline std::size_t FindLineEnd(std::string_view bytes, std::size_t from) {
    const char* start = bytes.data() + from;
    const std::size_t length = bytes.size() - from;
    const void* lf = std::memchr(start, '\n', length);
    const std::size_t beforeLf = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) : length;
    const void* cr = std::memchr(start, '\r', beforeLf);
    return from + (cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - start) : beforeLf);
}

// Where the line after the one ending at end starts: past a CR LF pair, a lone CR or an LF.
inline std::size_t NextLineStart(std::string_view bytes, std::size_t end) {
    if (end >= bytes.size()) return bytes.size();
    return end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
}

}  // namespace mirelo
