// Feeds arbitrary bytes to the reader of Outlook's personal folder files as a store file,
// as the all-mail extraction reads one.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "sources/pst/pst_reader.h"

namespace {

// The reader works on files: each input is written to the same store file. A memory
// file system, where there is one, keeps that from dominating the run.
struct FuzzFiles {
    FuzzFiles() { std::filesystem::create_directories(folder); }
    ~FuzzFiles() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::error_code noShm;
    const std::filesystem::path folder =
        (std::filesystem::is_directory("/dev/shm", noShm) ? "/dev/shm" : std::filesystem::temp_directory_path()) /
        ("mirelo-fuzz-" + std::to_string(getpid()));
    const std::string store = (folder / "Outlook.pst").string();
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzFiles files;
    {
        std::ofstream out(files.store, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    mirelo::StoreBatch batch;
    mirelo::PstReader({mirelo::HeaderKindSet::Every(), mirelo::ReadingRules::Rfc5322}, true)
        .Read({mirelo::StoreKind::Pst, files.store, files.store}, batch);
    return 0;
}
