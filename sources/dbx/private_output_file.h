#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace mirelo {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct OutputFile {
    std::unique_ptr<std::FILE, FileCloser> file;  // empty when refused or not opened
    std::string problem;
};

// Opens a file at a predictable path in a folder that others may write to, for writing
// from its start. A link planted there is never followed and nothing but a plain file of
// ours is written: a new file is made readable by its owner only. An existing file is not
// emptied: the caller ends it where its writing ends (EndFileHere), since rewriting a
// large file in place costs a fraction of emptying it and filling it anew.
OutputFile OpenPrivateOutputFile(const std::string& path);

// Writes out what the stream holds and cuts the file off at the current position.
bool EndFileHere(std::FILE* file);

}  // namespace mirelo
