// Feeds arbitrary bytes to the DBX dump as a store file, then scans the dump as the
// Outlook extraction does.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_store_file.h"
#include "headers/mailbox_scanner.h"
#include "scan/address_list.h"
#include "sources/dbx/dbx_dump.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzStoreFile file("Inbox.dbx");
    static const std::string dump = file.Beside("outlook_temp.mbx");
    const std::string& store = file.Write(data, size);
    mirelo::DumpDbxToText(store, dump, dump);
    mirelo::AddressList list;
    mirelo::ScanMailbox(dump, list, store, mirelo::HeaderKindSet::Original());
    return 0;
}
