#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "scan/result.h"

namespace mirelo {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

using OutputFile = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file at a predictable path in a folder that others may write to, emptied for
// writing. A link planted there is never followed and nothing but a plain file of ours is
// written: a new file is made readable by its owner only. The failure names the path and
// the system's reason.
Result<OutputFile> OpenPrivateOutputFile(const std::string& path);

}  // namespace mirelo
