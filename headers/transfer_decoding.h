#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mirelo {

// The bytes of an encoded word's Q text ('_' a space, "=XX" a byte); none when an escape
// is cut short or not hexadecimal.
std::optional<std::string> DecodeQ(std::string_view text);

// The bytes of base64 text up to its first '='; none on a character outside the alphabet.
std::optional<std::string> DecodeBase64(std::string_view text);

}  // namespace mirelo
