#pragma once

#include "headers/reading.h"
#include "sources/store_reader.h"

namespace mirelo {

// A Eudora mailbox (.mbx): one text file of messages, each after a separator line.
class EudoraReader : public StoreReader {
public:
    explicit EudoraReader(const Reading& reading) : reading_(reading) {}
    void Read(const FoundStore& store, StoreBatch& batch) override;

private:
    Reading reading_;
};

}  // namespace mirelo
