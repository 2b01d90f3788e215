#pragma once

#include "headers/reading.h"
#include "sources/store_reader.h"

namespace mirelo {

// An mbox file (Thunderbird's folders among them): messages after "From " separator lines.
class MboxReader : public StoreReader {
public:
    explicit MboxReader(const Reading& reading) : reading_(reading) {}
    void Read(const FoundStore& store, StoreBatch& batch) override;

private:
    Reading reading_;
};

}  // namespace mirelo
