#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scan/address_list.h"

namespace mirelo {

// Byte-wise after folding ASCII capitals to small letters; a prefix sorts first.
int CompareNoCase(std::string_view a, std::string_view b);

int CompareMailboxThenEmail(const AddressList& list, const AddressRecord& a, const AddressRecord& b);

// The rank of each text of the table by its id, in CompareNoCase order; texts that differ
// only in the case of ASCII letters share a rank. A large table is ranked on two threads
// when given two.
std::vector<std::uint32_t> RanksOfTexts(const TextTable& texts, unsigned threads = 1);

// What every extraction ends with before its rows are shown. Removes the label prefix from
// the records' labels, so that those of one store stay one text; marks as duplicates all
// records of an address but one of its smallest kind; then puts the others first, sorted
// by mailbox, as shown, and address (CompareMailboxThenEmail), and the duplicates after
// them. A large table of addresses is ranked on two threads when given two.
void OrderExtractionResult(AddressList& list, const std::string& labelPrefix, unsigned threads = 1);

}  // namespace mirelo
