// Feeds arbitrary bytes to the DBX dump as a store file, then scans the dump as the
// Outlook extraction does.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "scan/address_list.h"
#include "scan/mailbox_scanner.h"
#include "sources/dbx/dbx_dump.h"

namespace {

// The reader works on files: each input is written to the same store file. A memory
// file system, where there is one, keeps that from dominating the run.
class FuzzFiles {
public:
    FuzzFiles() {
        std::error_code error;
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm", error) ? "/dev/shm" : std::filesystem::temp_directory_path();
        folder_ = base / ("mirelo-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder_);
        store = (folder_ / "Inbox.dbx").string();
        dump = (folder_ / "outlook_temp.mbx").string();
    }
    ~FuzzFiles() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    std::string store;
    std::string dump;

private:
    std::filesystem::path folder_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzFiles files;
    {
        std::ofstream out(files.store, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    mirelo::DumpDbxToText(files.store, files.dump);
    mirelo::AddressList list;
    mirelo::ScanMailbox(files.dump, list, files.store);
    return 0;
}
