#include "sources/eudora/eudora_reader.h"

#include "headers/mailbox_scanner.h"

namespace mirelo {

void EudoraReader::Read(const FoundStore& store, StoreBatch& batch) {
    // A mailbox skipped without a word would make the counts look complete.
    if (const Result<> scan = ScanMailbox(store.path, batch.records, store.label, reading_.kinds, batch.watch);
        !scan.Ok())
        batch.problems.push_back({store.path, "mailbox cannot be read: " + scan.Error().reason});
}

}  // namespace mirelo
