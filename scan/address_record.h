#pragma once

#include <cstdint>
#include <string>

#include "scan/shared_text.h"

namespace mirelo {

// One address found in one header line of one message.
struct AddressRecord {
    std::string email;
    std::string name;
    SharedText mailbox;        // label of the mailbox file or store the record came from
    std::int32_t headerKind = 0;
    std::uint8_t duplicate = 0;
    std::uint8_t deleted = 0;
};

}  // namespace mirelo
