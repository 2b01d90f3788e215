#pragma once

#include <string>
#include <string_view>

namespace mirelo {

// Whether the bytes begin as an mbox does: a "From " separator line, then a header line.
bool StartsLikeMbox(std::string_view head);

// The same for the first bytes of a file; false when it cannot be read.
bool LooksLikeMboxFile(const std::string& path);

}  // namespace mirelo
