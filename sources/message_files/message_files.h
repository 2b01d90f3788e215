#pragma once

#include <string>
#include <string_view>

#include "base/result.h"
#include "headers/reading.h"
#include "scan/address_list.h"
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

// An Apple Mail message file: a line with the message's length in bytes, the message, a
// property list. A count that is missing or does not end where the property list starts
// gives a notice, and the file is read to its end instead, so no header line is lost.
// Fails when the file cannot be opened or read.
Result<std::string> ReadEmlxFile(const std::string& path, const Reading& reading, AddressList& list,
                                 std::string_view label);

}  // namespace mirelo
