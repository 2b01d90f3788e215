#pragma once

#include <string>
#include <vector>

#include "facts/address_category.h"
#include "scan/address_list.h"
#include "headers/mail_date.h"

namespace mirelo {

// What the records of one address (compared without case) tell about it.
struct AddressFacts {
    int count = 0;        // records, duplicates included
    unsigned kinds = 0;   // bit k: seen in a line of header kind k
    int stores = 0;       // stores it was found in
    MailDay firstSeen = kUnknownDay;
    MailDay lastSeen = kUnknownDay;
    AddressCategory category = AddressCategory::Person;
};

class FactsTable {
public:
    // Reads the records in any order: as an extraction leaves them, or ordered.
    static FactsTable Gather(const AddressList& list, const AddressClassifier& classifier);

    // The facts of an address id of the list they were gathered from.
    const AddressFacts& Of(TextId email) const { return facts_[factsOfId_[email]]; }

private:
    std::vector<AddressFacts> facts_;     // one per address without case
    std::vector<std::size_t> factsOfId_;  // by email id
};

// "from;reply-to": the kinds' header names in kind order, small letters, no colon.
std::string KindsText(unsigned kinds);

}  // namespace mirelo
