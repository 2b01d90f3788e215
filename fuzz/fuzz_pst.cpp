// Feeds arbitrary bytes to the reader of Outlook's personal folder files as a store file,
// as the all-mail extraction reads one.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_store_file.h"
#include "sources/pst/pst_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzStoreFile file("Outlook.pst");
    const std::string& store = file.Write(data, size);
    mirelo::StoreBatch batch;
    mirelo::PstReader({mirelo::HeaderKindSet::Every(), mirelo::ReadingRules::Rfc5322}, true)
        .Read({mirelo::StoreKind::Pst, store, store}, batch);
    return 0;
}
