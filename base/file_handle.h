#pragma once

#include <cstdio>
#include <memory>

namespace mirelo {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// An open C stream, closed with its owner.
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace mirelo
