#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

// The store readers work on files: each input is written to the same file, in a folder of
// the run's own. A memory file system, where there is one, keeps that from dominating the run.
class FuzzStoreFile {
public:
    explicit FuzzStoreFile(const std::string& name) : path_((folder_ / name).string()) {
        std::filesystem::create_directories(folder_);
    }
    ~FuzzStoreFile() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    // The input as the file's bytes; the path of the file.
    const std::string& Write(const std::uint8_t* data, std::size_t size) const {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        return path_;
    }
    std::string Beside(const std::string& name) const { return (folder_ / name).string(); }

private:
    std::error_code noShm_;
    const std::filesystem::path folder_ =
        (std::filesystem::is_directory("/dev/shm", noShm_) ? "/dev/shm" : std::filesystem::temp_directory_path()) /
        ("mirelo-fuzz-" + std::to_string(getpid()));
    const std::string path_;
};
