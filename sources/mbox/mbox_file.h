#pragma once

#include <string>

namespace mirelo {

// Whether the file begins as an mbox does: a "From " separator line, then a header line.
// False when it cannot be read.
bool LooksLikeMboxFile(const std::string& path);

}  // namespace mirelo
