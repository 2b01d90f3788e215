#pragma once

#include <cstdint>

#include "scan/text_table.h"

namespace mirelo {

// One address found in one header line of one message. The texts are ids into the
// tables of the list that holds the record.
struct AddressRecord {
    TextId email = TextTable::kEmpty;
    TextId name = TextTable::kEmpty;
    TextId mailbox = TextTable::kEmpty;  // label of the mailbox file or store the record came from
    std::uint8_t headerKind = 0;
    std::uint8_t duplicate = 0;
    std::uint8_t deleted = 0;
};

}  // namespace mirelo
