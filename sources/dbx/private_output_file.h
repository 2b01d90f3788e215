#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "base/file_handle.h"
#include "base/result.h"

namespace mirelo {

// Opens a file at a predictable path in a folder that others may write to, emptied for
// writing. A link planted there is never followed and nothing but a plain file of ours is
// written: a new file is made readable by its owner only. The failure names the path and
// the system's reason.
Result<FileHandle> OpenPrivateOutputFile(const std::string& path);

}  // namespace mirelo
