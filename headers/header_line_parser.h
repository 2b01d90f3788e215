#pragma once

#include <string>


namespace mirelo {

bool IsAddressChar(unsigned char c);
bool IsNameChar(unsigned char c);

// The texts a header line yields.
struct HeaderFields {
    std::string email;
    std::string name;
};

// Takes the address around the line's first '@' and the display name just before it.
// A field the line does not yield is left as it was, so a message's working fields
// carries the email from kind to kind. The line is rewritten in place.
void ParseHeaderLine(HeaderFields& fields, std::string& line);

}  // namespace mirelo
