#pragma once

#include <string>

#include "scan/address_record.h"

namespace mirelo {

bool IsAddressChar(unsigned char c);
bool IsNameChar(unsigned char c);

// Takes the address around the line's first '@' and the display name just before it.
// A field the line does not yield is left as it was, so a message's working record
// carries the email from kind to kind. The line is rewritten in place.
void ParseHeaderLine(AddressRecord& record, std::string& line);

}  // namespace mirelo
