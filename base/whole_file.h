#pragma once

#include <string>

#include "base/result.h"

namespace mirelo {

// A whole file's bytes, read into memory.
Result<std::string> ReadWholeFile(const std::string& path);

}  // namespace mirelo
