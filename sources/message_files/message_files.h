#pragma once

#include <string>

#include <string_view>

#include "scan/address_list.h"
#include "sources/store_detection.h"
#include "sources/store_jobs.h"

namespace mirelo {

// Reads a store of one-message files: a Maildir (cur, then new; never tmp), the .eml
// files of a folder, or its .emlx and .partial.emlx files. Files are read in name order,
// each as one message under a mailbox's line rules, and labelled with the store's label.
void ReadMessageFolder(const FoundStore& store, StoreBatch& batch);

struct EmlxOutcome {
    bool opened = false;
    std::string notice;  // why the byte count was not followed; empty when it was
};

// An Apple Mail message file: a line with the message's length in bytes, the message, a
// property list. A count that is missing or does not end where the property list starts
// is noted, and the file is read to its end instead, so no header line is lost.
EmlxOutcome ScanEmlxFile(const std::string& path, AddressList& list, std::string_view label);

}  // namespace mirelo
