#pragma once

#include "headers/message_cutter.h"
#include "headers/reading.h"
#include "sources/store_reader.h"

namespace mirelo {

// A file of messages one after another: an mbox (Thunderbird's folders among them) after
// its "From " separator lines, or a Eudora mailbox (.mbx) after its own.
class MailboxFileReader : public StoreReader {
public:
    MailboxFileReader(const Reading& reading, MailboxLayout layout) : reading_(reading), layout_(layout) {}
    void Read(const FoundStore& store, StoreBatch& batch) override;

private:
    Reading reading_;
    MailboxLayout layout_;
};

}  // namespace mirelo
