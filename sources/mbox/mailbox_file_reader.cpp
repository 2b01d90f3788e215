#include "sources/mbox/mailbox_file_reader.h"

namespace mirelo {

void MailboxFileReader::Read(const FoundStore& store, StoreBatch& batch) {
    // A mailbox skipped without a word would make the counts look complete.
    if (const Result<> scan = ReadMailbox(store.path, layout_, reading_, batch.records, store.label, batch.watch);
        !scan.Ok())
        batch.problems.push_back({store.path, "mailbox cannot be read: " + scan.Error().reason});
}

}  // namespace mirelo
