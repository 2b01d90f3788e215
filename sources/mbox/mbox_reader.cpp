#include "sources/mbox/mbox_reader.h"

#include "headers/reading.h"

namespace mirelo {

void MboxReader::Read(const FoundStore& store, StoreBatch& batch) {
    if (const Result<> scan =
            ReadMailbox(store.path, MailboxLayout::Mbox, reading_, batch.records, store.label, batch.watch);
        !scan.Ok())
        batch.problems.push_back({store.path, "mailbox cannot be read: " + scan.Error().reason});
}

}  // namespace mirelo
