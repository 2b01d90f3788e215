// Decodes arbitrary bytes as header text: whatever the encoded words, charsets and raw
// bytes, the result is valid UTF-8 without control characters.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "headers/header_text.h"
#include "base/windows1252.h"
#include "fuzz/record_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using mirelo::fuzz::Require;
    const std::string text = mirelo::DecodeHeaderText(std::string_view(reinterpret_cast<const char*>(data), size));
    Require(mirelo::IsValidUtf8(text));
    Require(std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }));
    return 0;
}
