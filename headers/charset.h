#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mirelo {

// The text of bytes in a charset named as MIME names it (any letter case) as UTF-8, by the
// system's own converters; none when the system does not know the charset or the bytes
// are not valid in it.
std::optional<std::string> ConvertToUtf8(std::string_view charset, std::string_view bytes);

}  // namespace mirelo
