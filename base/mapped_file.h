#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>

namespace mirelo {

// A file's bytes mapped into memory, so that a reading looks at them where they lie rather
// than having them copied. A file cut short by another program while it is mapped would
// end the process with a bus error; here the pages it lost read as zeros, and CutShort
// tells it.
class MappedFile {
public:
    // Maps what the file holds now. Bytes is empty when it is not mapped: an empty file, a
    // system without mappings or too many mapped at once; the file is then read as usual.
    explicit MappedFile(std::FILE* file);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::string_view Bytes() const { return bytes_; }
    bool CutShort() const;
    // Lets the memory of the bytes before offset go; they read again from the file if looked at.
    void Release(std::size_t offset);

private:
    std::string_view bytes_;
    int guard_ = -1;  // the place of the mapping among those guarded against bus errors
    std::size_t released_ = 0;
};

}  // namespace mirelo
