#pragma once

#include "headers/reading.h"
#include "sources/store_reader.h"

namespace mirelo {

// Stores of one-message files: a Maildir (cur, then new; never tmp), the .eml files of a
// folder, or its .emlx and .partial.emlx files. Files are read in name order, each as one
// message, and labelled with the store's label.
class MessageFilesReader : public StoreReader {
public:
    explicit MessageFilesReader(const Reading& reading) : reading_(reading) {}
    void Read(const FoundStore& store, StoreBatch& batch) override;

private:
    Reading reading_;
};

}  // namespace mirelo
